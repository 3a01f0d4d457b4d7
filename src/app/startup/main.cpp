// faceloom [FOLDER | FOLDER/_define.ini]: the smile pack editor.
#include "app/startup/editor_main.h"

int main(int argc, char** argv) {
    return faceloom::RunEditor(argc, argv);
}
