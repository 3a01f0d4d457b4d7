// faceloom [FOLDER | FOLDER/_define.ini]: the smile pack editor.
#include <QApplication>
#include <QLocale>
#include <QSessionManager>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app_forms.h"
#include "app/command_line.h"
#include "app/dialog_base.h"
#include "app/main_window.h"
#include "app/qt_translations.h"
#include "app/stop_signals.h"
#include "model/define_decoder.h"
#include "pictures/builtin_pictures.h"
#include "views/smile_view.h"

namespace {

// FACELOOM_TEST_HOOK, for tests that run the program as a process: "dialogs" answers every
// modal dialog as it comes up (the save question "Yes", the others OK) and names it on stderr; "quit" closes
// the main window once the engine has started. Either way the start is reported on stderr with the smile
// count.
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
        if (quit) QTimer::singleShot(0, &window, [&window] { window.close(); });
    });
}

}  // namespace

int main(int argc, char** argv) {
    using namespace faceloom;
    // --help and --version answer without a display.
    {
        QStringList raw;
        for (int i = 0; i < argc; ++i) raw.push_back(QString::fromLocal8Bit(argv[i]));
        const TCommandLine early = ParseCommandLine(raw.mid(1));
        if (early.Action == TCommandLine::TAction::Help) {
            std::fputs(CommandLineHelp().toLocal8Bit().constData(), stdout);
            return 0;
        }
        if (early.Action == TCommandLine::TAction::Version) {
            std::fputs(CommandLineVersion().toLocal8Bit().constData(), stdout);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName("Faceloom for Tavi 2005 v3.1");
    QApplication::setQuitOnLastWindowClosed(false);
    InstallQtTranslations(QLocale::system());
    const TCommandLine command = ParseCommandLine(QApplication::arguments().mid(1));
    if (command.Action == TCommandLine::TAction::Error) {
        std::fprintf(stderr, "faceloom: %s\n", command.Error.toLocal8Bit().constData());
        return 2;
    }

    int result = 0;
    {
        // The dialogs outlive the main window (its grid uses the drag host's dispatcher), but
        // are made after it.
        TAppForms forms;
        // Test runs name their own hand-over objects.
        const char* suffix = std::getenv("FACELOOM_HANDOVER_SUFFIX");
        TManagerMain window(forms, suffix ? suffix : "");
        forms.Create(
            [&window](TDragDispatcherBase* dispatcher) { window.Grid()->SetDragDispatcher(dispatcher); });
        if (command.HasPack) window.SetStartPack(command.Path, command.BothMode ? 2 : command.Pack);

        QObject::connect(&window, &TManagerMain::Closed, &app,
                         [&window] { QApplication::exit(window.Refused() ? 1 : 0); });
        // A kill or a closed terminal, and the end of the desktop session, close the window
        // the orderly way, so an unclosed pack is in the storage at the next start.
        TStopSignals stopSignals;
        QObject::connect(&stopSignals, &TStopSignals::StopRequested, &window, [&window] { window.close(); });
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                         [&window](QSessionManager& manager) {
                             if (!window.close() && manager.allowsInteraction()) manager.cancel();
                         });

        InstallTestHook(window, app);
        window.show();
        result = QApplication::exec();
    }
    ReleaseBuiltinPictures();
    return result;
}
