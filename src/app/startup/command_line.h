#pragma once

#include <QString>
#include <QStringList>

namespace faceloom {

// What `faceloom [FOLDER | FOLDER/_define.ini]` asks for.
struct TCommandLine {
    enum class TAction { Start, Help, Version, Error };
    TAction Action = TAction::Start;
    // The message for TAction::Error, without the program name.
    QString Error;

    // A pack to open once the editor has started.
    bool HasPack = false;
    // The folder names the base of both packs ("Static" and "Animated" below it).
    bool BothMode = false;
    // What the open command takes: the pack's "_define.ini" (one pack) or the base folder.
    QString Path;
    // The pack folder or the base folder, absolute, ending with the separator.
    QString Folder;
    // One pack: 0 static, 1 animated, -1 when the folder does not tell (keep the current pack).
    int Pack = -1;
};

// Parses the arguments after the program name. Qt takes its own options out of the arguments
// when the application object is made, so parse QCoreApplication::arguments(); the raw argv
// may be parsed before that only to answer --help and --version without a display. Relative
// paths are taken from the current folder; "file:" URLs are accepted as file managers give them.
TCommandLine ParseCommandLine(const QStringList& arguments);

QString CommandLineHelp();
QString CommandLineVersion();

}  // namespace faceloom
