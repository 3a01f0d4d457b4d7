#pragma once

#include <functional>
#include <string>

class QObject;

namespace faceloom {

class TManagerMain;

// Called once the main window and the dialogs exist, just before the window is shown; the
// product passes none. Test programs use it to watch and drive the editor run as a process.
using TEditorInstrument = std::function<void(TManagerMain& window, QObject& application)>;

// What only a test program sets: nothing here is read from the environment, so no variable can
// change what the product does for its user.
struct TEditorTestHooks {
    std::string HandOverSuffix;  // appended to the hand-over objects' names
    TEditorInstrument Instrument;
};

// The whole editor: the command line, the application, the main window and its dialogs, until
// the window closes. Answers the process's exit status.
int RunEditor(int argc, char** argv, const TEditorTestHooks& hooks = {});

}  // namespace faceloom
