// faceloom-handover-receiver: stands in for the editor while testing the sender. It reads the
// hand-over for its own process through the host layer, which acknowledges it, and prints the
// folders. The names carry the suffix the sender passes in FACELOOM_HANDOVER_SUFFIX.
//
//   faceloom-handover-receiver [BASE_FOLDER PACK_FOLDER]
//
// Exit status: 0 read (and equal to the folders given, if any), 1 otherwise.
#include <cstdio>
#include <cstdlib>

#include "platform/hand_over.h"

int main(int argc, char** argv) {
    const char* suffix = std::getenv("FACELOOM_HANDOVER_SUFFIX");
    const auto folders = faceloom::ReadHandOverBlock(faceloom::HandOverNames(suffix ? suffix : ""));
    if (!folders) {
        std::printf("no hand-over\n");
        return 1;
    }
    std::printf("base: %s\npack: %s\n", folders->BaseFolder.c_str(), folders->PackFolder.c_str());
    if (argc == 3 && (folders->BaseFolder != argv[1] || folders->PackFolder != argv[2])) {
        std::printf("expected base: %s\nexpected pack: %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
