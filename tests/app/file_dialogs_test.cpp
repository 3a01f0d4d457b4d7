#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "app/dialogs/file_filter.h"
#include "app/dialogs/folder_dialog.h"
#include "app/dialogs/qt_file_dialogs.h"
#include "support/temp_dir.h"

namespace faceloom {
namespace {

QString Path(const std::filesystem::path& p) {
    return QString::fromStdString(p.string());
}

TEST(QtNameFilters, PairsBecomeNamedPatternListsAndBrokenPairsAreDropped) {
    // The picture filter of the animated pack and the definition file filter, as the main
    // window builds them.
    EXPECT_EQ(
        QtNameFilters(QStringLiteral("GIF-файлы (*.gif)|*.gif|Все файлы (*.*)|*.*")),
        (QStringList{QStringLiteral("GIF-файлы (*.gif) (*.gif)"), QStringLiteral("Все файлы (*.*) (*.*)")}));
    EXPECT_EQ(QtNameFilters(QStringLiteral("_define.ini|_define.ini")),
              QStringList{QStringLiteral("_define.ini (_define.ini)")});
    // Several patterns; an empty name shows the patterns.
    EXPECT_EQ(QtNameFilters(QStringLiteral("Pictures|*.bmp; *.gif;|| *.txt ")),
              (QStringList{QStringLiteral("Pictures (*.bmp *.gif)"), QStringLiteral("*.txt (*.txt)")}));
    // No pattern, an unpaired trailing name, nothing at all.
    EXPECT_EQ(QtNameFilters(QStringLiteral("Empty| ;|Pictures|*.gif|Trailing")),
              QStringList{QStringLiteral("Pictures (*.gif)")});
    EXPECT_TRUE(QtNameFilters(QString()).isEmpty());
}

// The names the open dialog lists in its folder once it has read it.
// Qt's own sentence for a folder that is not there, in the language Qt's texts follow now.
QString NotFound(const QString& typed) {
    return QCoreApplication::translate(
               "QFileDialog", "%1\nDirectory not found.\nPlease verify the correct directory name was given.")
        .arg(typed);
}

QSet<QString> ListedNames(QFileDialog& dialog, int expected) {
    auto* view = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    if (view == nullptr) return {};
    QSet<QString> names;
    [[maybe_unused]] const bool settled = QTest::qWaitFor(
        [&] {
            names.clear();
            const int rows = view->model()->rowCount(view->rootIndex());
            for (int r = 0; r < rows; ++r)
                names << view->model()->index(r, 0, view->rootIndex()).data().toString();
            return names.size() == expected;
        },
        5000);
    return names;
}

TEST(QtFileDialogs, OpenDialogShowsTheWindowsNamesAndMatchesPatternsInAnyLetterCase) {
    test::TempDir dir;
    for (const char* name : {"aa.gif", "AB.GIF", "ac.bmp", "_define.ini"})
        test::WriteBytes(dir.path() / name, "x");
    TOpenFileRequest request{QStringLiteral("Загрузка смайла"),
                             QStringLiteral("GIF-файлы (*.gif)|*.gif|Все файлы (*.*)|*.*"), Path(dir.path()),
                             QStringLiteral("gif")};
    auto dialog = TQtFileDialogs::MakeOpenDialog(nullptr, request, true);
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Загрузка смайла"));
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("gif"));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(Path(dir.path())).canonicalPath());

    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    ASSERT_EQ(types->count(), 2);
    EXPECT_EQ(types->itemText(0), QStringLiteral("GIF-файлы (*.gif)"));
    EXPECT_EQ(types->itemText(1), QStringLiteral("Все файлы (*.*)"));

    EXPECT_EQ(ListedNames(*dialog, 2), (QSet<QString>{QStringLiteral("aa.gif"), QStringLiteral("AB.GIF")}));
    dialog->selectNameFilter(dialog->nameFilters().at(1));
    EXPECT_EQ(ListedNames(*dialog, 4).size(), 4);
}

TEST(QtFileDialogs, MissingStartFolderStartsAtHome) {
    TOpenFileRequest request{QStringLiteral("t"),
                             QStringLiteral("_define.ini|_define.ini"),
                             QStringLiteral("/no/such/folder/anywhere"),
                             {}};
    auto dialog = TQtFileDialogs::MakeOpenDialog(nullptr, request, false);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir::home().canonicalPath());
    TFolderDialog folders(nullptr, QStringLiteral("t"), QStringLiteral("/no/such/folder/anywhere"), false);
    EXPECT_EQ(QDir(folders.directory()).canonicalPath(), QDir::home().canonicalPath());
}

TEST(InvalidFolderMessage, OnlyAnExistingFolderPasses) {
    test::TempDir dir;
    test::WriteBytes(dir.path() / "file.txt", "x");
    EXPECT_EQ(InvalidFolderMessage(QStringLiteral("typed"), Path(dir.path())), QString());
    EXPECT_EQ(InvalidFolderMessage(QStringLiteral("file.txt"), Path(dir.path() / "file.txt")),
              NotFound("file.txt"));
    EXPECT_EQ(InvalidFolderMessage(QStringLiteral("/nowhere/x"), QStringLiteral("/nowhere/x")),
              NotFound("/nowhere/x"));
    EXPECT_EQ(InvalidFolderMessage(QString(), QString()), NotFound(""));
}

// Answers every message box that comes up with OK and keeps its text, so that a box nobody
// expected fails the test instead of hanging it.
class TMessageBoxAnswerer {
public:
    TMessageBoxAnswerer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* box = qobject_cast<QMessageBox*>(widget);
                if (box == nullptr || !box->isVisible()) continue;
                texts << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        timer_.start(10);
    }
    QStringList texts;

private:
    QTimer timer_;
};

TEST(FolderDialog, ATypedPathThatIsNoFolderIsRefusedAndTheDialogStaysOpen) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.path() / "Static");
    std::filesystem::create_directory(dir.path() / "Animated");
    test::WriteBytes(dir.path() / "file.txt", "x");
    TFolderDialog dialog(nullptr, QStringLiteral("Сохранение смайлпака"), Path(dir.path()), true);
    QSignalSpy refused(&dialog, &TFolderDialog::PathRefused);
    TMessageBoxAnswerer answerer;
    dialog.show();
    auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);

    // A name in the line edit selects that folder in the list, and while the focus is elsewhere
    // Qt keeps that selection when the text changes again. The text typed last must decide:
    // Qt's own check would accept "Animated" for each path below.
    ASSERT_EQ(ListedNames(dialog, 2).size(), 2);
    edit->clearFocus();
    edit->setText(QStringLiteral("Animated"));
    const QStringList typed = {Path(dir.path() / "missing"), QStringLiteral("file.txt")};
    for (const QString& path : typed) {
        edit->setText(path);
        dialog.accept();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
    }
    EXPECT_EQ(answerer.texts, (QStringList{NotFound(typed[0]), NotFound("file.txt")}));
    EXPECT_EQ(refused.count(), 2);

    // Without the stale selection, which would add itself to the text.
    dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"))->clearSelection();
    edit->setText(QStringLiteral("Static"));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(answerer.texts.size(), 2) << answerer.texts.join(QLatin1Char('/')).toStdString();
    EXPECT_EQ(QDir(dialog.ChosenFolder()).canonicalPath(), QDir(Path(dir.path() / "Static")).canonicalPath());
}

TEST(FolderDialog, TheNewFolderButtonIsOfferedOnlyWhenAsked) {
    test::TempDir dir;
    for (bool offered : {true, false}) {
        TFolderDialog dialog(nullptr, QStringLiteral("t"), Path(dir.path()), offered);
        dialog.show();
        auto* button = dialog.findChild<QToolButton*>(QStringLiteral("newFolderButton"));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->isVisible(), offered);
        EXPECT_EQ(dialog.testOption(QFileDialog::ReadOnly), !offered);
    }
}

}  // namespace
}  // namespace faceloom
