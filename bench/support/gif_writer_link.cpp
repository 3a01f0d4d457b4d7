// The GIF test writer, compiled into the benchmarks that build their GIF corpus with it.
#include "../../tests/support/gif_writer.cpp"
