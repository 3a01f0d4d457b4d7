#include "app/startup/editor_main.h"

#include <QApplication>
#include <QSessionManager>
#include <cstdio>

#include "app/dialogs/app_forms.h"
#include "app/main_window/main_window.h"
#include "app/startup/command_line.h"
#include "app/startup/stop_signals.h"
#include "pictures/builtin_pictures.h"
#include "views/smile_view.h"

namespace faceloom {

int RunEditor(int argc, char** argv, const TEditorTestHooks& hooks) {
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
        TManagerMain window(forms, hooks.HandOverSuffix);
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

        if (hooks.Instrument) hooks.Instrument(window, app);
        window.show();
        result = QApplication::exec();
    }
    ReleaseBuiltinPictures();
    return result;
}

}  // namespace faceloom
