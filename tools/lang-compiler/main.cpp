// faceloom-lang-compiler SOURCE.txt OUT.lng
// Compiles a language source (UTF-8, "id = text" lines) into a ".lng" language module.
#include <cstdio>
#include <string>
#include <vector>

#include "lang/lang_compiler.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: faceloom-lang-compiler SOURCE.txt OUT.lng\n");
        return 2;
    }
    std::vector<std::string> messages;
    if (!faceloom::CompileLangFile(argv[1], argv[2], messages)) {
        for (const std::string& message : messages) {
            std::fprintf(stderr, "%s\n", message.c_str());
        }
        return 1;
    }
    return 0;
}
