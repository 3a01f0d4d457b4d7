// The generated smile corpus, compiled into the benchmarks that measure GIF decoding.
#include "../../tests/support/gif_corpus.cpp"
