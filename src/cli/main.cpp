// faceloom-pack: the command-line companion of the editor (see "faceloom-pack --help").
#include <signal.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_app.h"

int main(int argc, char** argv) {
    // A reader that goes away ("| head") must not kill the program before its temporary
    // storage is removed; the failed write is reported instead.
    signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    faceloom::cli::TCliIo io{std::cout, std::cerr};
    return faceloom::cli::RunCli(args, io);
}
