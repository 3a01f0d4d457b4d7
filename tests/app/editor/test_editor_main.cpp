// faceloom-test-editor: the editor with hooks for tests that run it as a process. Only this
// test program reads them from its environment; the product "faceloom" has none.
//   FACELOOM_TEST_HOOK         "dialogs" and/or "quit", below
//   FACELOOM_HANDOVER_SUFFIX   the suffix of the hand-over objects' names of a test run
//   FACELOOM_TEST_QUIT_DELAY_MS  how long "quit" waits after the start
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/dialogs/dialog_base.h"
#include "app/main_window/main_window.h"
#include "app/startup/editor_main.h"
#include "model/define_decoder.h"

namespace {

// FACELOOM_TEST_HOOK: "dialogs" answers every modal dialog as it comes up (the save question
// "Yes", the others OK) and names it on stderr; "quit" closes the main window once the engine
// has started. Either way the start is reported on stderr with the smile count.
void InstallTestHook(faceloom::TManagerMain& window, QObject& owner) {
    const char* hook = std::getenv("FACELOOM_TEST_HOOK");
    if (!hook) return;
    if (std::strstr(hook, "dialogs")) {
        auto* timer = new QTimer(&owner);
        QObject::connect(timer, &QTimer::timeout, [] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            std::fprintf(stderr, "dialog %s\n", dialog->objectName().toLatin1().constData());
            // The save question is answered "Yes"; the rest have OK.
            const bool query = dialog->objectName() == "QueryForm";
            dialog->done(query ? faceloom::kResultYes : faceloom::kResultOk);
        });
        timer->start(10);
    }
    const bool quit = std::strstr(hook, "quit") != nullptr;
    QObject::connect(&window, &faceloom::TManagerMain::EngineStarted, &window, [&window, quit] {
        if (window.Refused()) return;
        std::fprintf(stderr, "started %s %d\n", window.StorageName().c_str(),
                     window.Model() ? window.Model()->SmileCount() : -1);
        // FACELOOM_TEST_QUIT_DELAY_MS gives a window manager time to place the window first.
        const char* delay = std::getenv("FACELOOM_TEST_QUIT_DELAY_MS");
        if (quit) QTimer::singleShot(delay ? std::atoi(delay) : 0, &window, [&window] { window.close(); });
    });
}

}  // namespace

int main(int argc, char** argv) {
    faceloom::TEditorTestHooks hooks;
    if (const char* suffix = std::getenv("FACELOOM_HANDOVER_SUFFIX")) hooks.HandOverSuffix = suffix;
    hooks.Instrument = [](faceloom::TManagerMain& window, QObject& application) {
        InstallTestHook(window, application);
    };
    return faceloom::RunEditor(argc, argv, hooks);
}
