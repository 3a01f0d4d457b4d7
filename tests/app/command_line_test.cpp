#include "app/startup/command_line.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QUrl>

#include "support/temp_dir.h"

namespace faceloom {
namespace {

using TAction = TCommandLine::TAction;

QString Path(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}
QString Folder(const std::filesystem::path& p) {
    return Path(p) + QLatin1Char('/');
}

// Makes folder/name for each name; names ending with "/" are folders.
void Make(const std::filesystem::path& folder, std::initializer_list<const char*> names) {
    std::filesystem::create_directories(folder);
    for (std::string name : names) {
        if (name.ends_with('/')) {
            std::filesystem::create_directories(folder / name);
        } else {
            test::WriteBytes(folder / name, "x");
        }
    }
}

TEST(CommandLine, OptionsAndArgumentCounts) {
    EXPECT_EQ(ParseCommandLine({}).Action, TAction::Start);
    EXPECT_FALSE(ParseCommandLine({}).HasPack);
    EXPECT_EQ(ParseCommandLine({QStringLiteral("--help")}).Action, TAction::Help);
    EXPECT_EQ(ParseCommandLine({QStringLiteral("-h"), QStringLiteral("/nowhere")}).Action, TAction::Help);
    EXPECT_EQ(ParseCommandLine({QStringLiteral("--version")}).Action, TAction::Version);
    EXPECT_TRUE(CommandLineVersion().startsWith(QStringLiteral("faceloom ")));
    EXPECT_TRUE(
        CommandLineHelp().startsWith(QStringLiteral("Usage: faceloom [FOLDER | FOLDER/_define.ini]")));

    const TCommandLine unknown = ParseCommandLine({QStringLiteral("--frobnicate")});
    EXPECT_EQ(unknown.Action, TAction::Error);
    EXPECT_EQ(unknown.Error, QStringLiteral("unknown option '--frobnicate'"));
    test::TempDir dir;
    EXPECT_EQ(ParseCommandLine({Path(dir.path()), Path(dir.path())}).Action, TAction::Error);
    // After "--" a name that starts with "-" is a path.
    const TCommandLine dashed = ParseCommandLine({QStringLiteral("--"), QStringLiteral("-pack")});
    EXPECT_EQ(dashed.Action, TAction::Error);
    EXPECT_EQ(dashed.Error, QStringLiteral("'-pack': no such file or folder"));
}

TEST(CommandLine, APackFolderOrItsDefinitionOpensOnePackOfTheKindItHolds) {
    test::TempDir dir;
    Make(dir.path() / "gifs", {"_DEFINE.INI", "a.gif", "b.GIF"});
    Make(dir.path() / "bmps", {"_define.ini", "a.bmp"});
    Make(dir.path() / "mixed", {"_define.ini", "a.bmp", "b.gif"});
    // The name of the both-packs layout says more than stray pictures.
    Make(dir.path() / "Static", {"_define.ini", "a.gif"});

    struct Case {
        QString argument;
        QString folder;
        QString path;
        int pack;
    };
    const Case cases[] = {
        {Path(dir.path() / "gifs"), Folder(dir.path() / "gifs"), Folder(dir.path() / "gifs") + "_DEFINE.INI",
         1},
        {Folder(dir.path() / "gifs"), Folder(dir.path() / "gifs"),
         Folder(dir.path() / "gifs") + "_DEFINE.INI", 1},
        {Path(dir.path() / "bmps" / "_define.ini"), Folder(dir.path() / "bmps"),
         Folder(dir.path() / "bmps") + "_define.ini", 0},
        {Path(dir.path() / "mixed"), Folder(dir.path() / "mixed"),
         Folder(dir.path() / "mixed") + "_define.ini", -1},
        {Path(dir.path() / "Static"), Folder(dir.path() / "Static"),
         Folder(dir.path() / "Static") + "_define.ini", 0},
        {QUrl::fromLocalFile(Path(dir.path() / "gifs" / "_DEFINE.INI")).toString(),
         Folder(dir.path() / "gifs"), Folder(dir.path() / "gifs") + "_DEFINE.INI", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        const TCommandLine line = ParseCommandLine({c.argument});
        ASSERT_EQ(line.Action, TAction::Start) << line.Error.toStdString();
        EXPECT_TRUE(line.HasPack);
        EXPECT_FALSE(line.BothMode);
        EXPECT_EQ(line.Folder, c.folder);
        EXPECT_EQ(line.Path, c.path);
        EXPECT_EQ(line.Pack, c.pack);
    }
}

TEST(CommandLine, ABaseFolderOpensBothPacks) {
    test::TempDir dir;
    Make(dir.path() / "base", {"Static/", "Animated/"});
    Make(dir.path() / "animated-only", {"Animated/"});
    for (const char* name : {"base", "animated-only"}) {
        const TCommandLine line = ParseCommandLine({Path(dir.path() / name)});
        ASSERT_EQ(line.Action, TAction::Start) << line.Error.toStdString();
        EXPECT_TRUE(line.HasPack);
        EXPECT_TRUE(line.BothMode);
        EXPECT_EQ(line.Path, Folder(dir.path() / name));
        EXPECT_EQ(line.Folder, Folder(dir.path() / name));
    }
}

TEST(CommandLine, RelativePathsAndFoldersOfPicturesOnly) {
    test::TempDir dir;
    Make(dir.path() / "loose", {"a.gif"});
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(Path(dir.path())));
    const TCommandLine line = ParseCommandLine({QStringLiteral("loose")});
    QDir::setCurrent(old);
    ASSERT_EQ(line.Action, TAction::Start) << line.Error.toStdString();
    EXPECT_EQ(line.Folder,
              QDir(Path(dir.path())).absoluteFilePath(QStringLiteral("loose")) + QLatin1Char('/'));
    EXPECT_EQ(line.Path, line.Folder + QStringLiteral("_define.ini"));
    EXPECT_EQ(line.Pack, 1);
}

TEST(CommandLine, WhatHoldsNoPackIsAnErrorNamingIt) {
    test::TempDir dir;
    Make(dir.path() / "empty", {});
    // The pack model opens the sub-folders exactly as spelt, so "static" is no base.
    Make(dir.path() / "lower", {"static/"});
    Make(dir.path() / "files", {"notes.txt"});
    const std::pair<QString, QString> cases[] = {
        {Path(dir.path() / "empty"), QStringLiteral(": no smile pack in this folder")},
        {Path(dir.path() / "lower"), QStringLiteral(": no smile pack in this folder")},
        {Path(dir.path() / "files" / "notes.txt"),
         QStringLiteral(": not a smile pack folder nor its _define.ini")},
        {Path(dir.path() / "missing"), QStringLiteral(": no such file or folder")},
        {QString(), QStringLiteral(": no such file or folder")},
    };
    for (const auto& [argument, message] : cases) {
        const TCommandLine line = ParseCommandLine({argument});
        EXPECT_EQ(line.Action, TAction::Error);
        EXPECT_FALSE(line.HasPack);
        EXPECT_EQ(line.Error, QLatin1Char('\'') + argument + QLatin1Char('\'') + message);
    }
}

}  // namespace
}  // namespace faceloom
