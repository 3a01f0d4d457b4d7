#include "app/startup/command_line.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "storage/storage_layout.h"

#ifndef FACELOOM_VERSION
#define FACELOOM_VERSION "unknown"
#endif

namespace faceloom {

namespace {

const QString kDefineFile = QStringLiteral("_define.ini");

QString Quoted(const QString& path) {
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}

QString Folder(const QDir& dir) {
    QString path = dir.absolutePath();
    if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    return path;
}

bool HasSubFolder(const QDir& dir, std::string_view name) {
    // Exactly as spelt: the pack model opens base + "Static/" and base + "Animated/".
    return QFileInfo(dir.filePath(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()))))
        .isDir();
}

bool HasFiles(const QDir& dir, const QString& mask) {
    return !dir.entryList({mask}, QDir::Files | QDir::Hidden | QDir::System).isEmpty();
}

// Which pack a single pack folder holds: by the name of the both-packs layout, else by its
// pictures when they are all of one kind.
int PackOfFolder(const QDir& dir) {
    const QString name = dir.dirName();
    if (name == QLatin1String(kStaticFolder.data())) return kStaticPack;
    if (name == QLatin1String(kAnimatedFolder.data())) return kAnimatedPack;
    const bool gif = HasFiles(dir, QStringLiteral("*.gif"));
    const bool bmp = HasFiles(dir, QStringLiteral("*.bmp"));
    if (gif != bmp) return gif ? kAnimatedPack : kStaticPack;
    return -1;
}

TCommandLine Failure(const QString& message) {
    TCommandLine result;
    result.Action = TCommandLine::TAction::Error;
    result.Error = message;
    return result;
}

TCommandLine OnePack(const QDir& dir, const QString& defineName) {
    TCommandLine result;
    result.HasPack = true;
    result.Folder = Folder(dir);
    result.Path = result.Folder + defineName;
    result.Pack = PackOfFolder(dir);
    return result;
}

TCommandLine PackAt(const QString& argument) {
    QString path = argument;
    if (path.startsWith(QLatin1String("file:"))) path = QUrl(path).toLocalFile();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists())
        return Failure(Quoted(argument) + QStringLiteral(": no such file or folder"));
    if (info.isFile()) {
        // Letter case as Windows ignores it.
        if (info.fileName().compare(kDefineFile, Qt::CaseInsensitive) != 0) {
            return Failure(Quoted(argument) +
                           QStringLiteral(": not a smile pack folder nor its _define.ini"));
        }
        return OnePack(info.absoluteDir(), info.fileName());
    }
    const QDir dir(info.absoluteFilePath());
    if (!dir.isReadable()) return Failure(Quoted(argument) + QStringLiteral(": the folder cannot be read"));
    const QStringList defines = dir.entryList({kDefineFile}, QDir::Files | QDir::Hidden | QDir::System);
    if (!defines.isEmpty()) return OnePack(dir, defines.first());
    if (HasSubFolder(dir, kStaticFolder) || HasSubFolder(dir, kAnimatedFolder)) {
        TCommandLine result;
        result.HasPack = true;
        result.BothMode = true;
        result.Folder = Folder(dir);
        result.Path = result.Folder;
        return result;
    }
    // Pictures without a definition still make a pack: each picture becomes a smile.
    if (HasFiles(dir, QStringLiteral("*.gif")) || HasFiles(dir, QStringLiteral("*.bmp"))) {
        return OnePack(dir, kDefineFile);
    }
    return Failure(Quoted(argument) + QStringLiteral(": no smile pack in this folder"));
}

}  // namespace

TCommandLine ParseCommandLine(const QStringList& arguments) {
    QStringList paths;
    bool options = true;
    for (const QString& argument : arguments) {
        if (options && argument == QLatin1String("--")) {
            options = false;
        } else if (options && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            TCommandLine result;
            result.Action = TCommandLine::TAction::Help;
            return result;
        } else if (options && argument == QLatin1String("--version")) {
            TCommandLine result;
            result.Action = TCommandLine::TAction::Version;
            return result;
        } else if (options && argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            return Failure(QStringLiteral("unknown option ") + Quoted(argument));
        } else {
            paths << argument;
        }
    }
    if (paths.size() > 1) return Failure(QStringLiteral("only one pack can be opened at a time"));
    if (paths.isEmpty()) return {};
    return PackAt(paths.first());
}

QString CommandLineHelp() {
    return QStringLiteral(
        "Usage: faceloom [FOLDER | FOLDER/_define.ini]\n"
        "\n"
        "Faceloom edits the smile packs of the Tavi 2005 messenger.\n"
        "\n"
        "FOLDER is opened once the editor has started, after the usual question about unsaved\n"
        "work: a pack folder (its _define.ini and pictures: .gif for the animated pack, .bmp for\n"
        "the static one), or a base folder with the packs \"Static\" and \"Animated\" below it,\n"
        "which opens both side by side. Without FOLDER the editor shows the packs left open\n"
        "at the last run.\n"
        "\n"
        "  -h, --help     show this help and exit\n"
        "      --version  show the version and exit\n"
        "\n"
        "Qt's own options (such as -platform offscreen) are accepted too.\n"
        "Exit status: 0 normally; 2 on a usage error or a FOLDER that holds no pack.\n");
}

QString CommandLineVersion() {
    return QStringLiteral("faceloom " FACELOOM_VERSION "\n");
}

}  // namespace faceloom
