// Import in the editor: folders, zips and pictures of other formats dropped or added, packs of
// other messengers imported as a new pack or into the current one, the clash window's choices
// landing in the pack, the notes said at the end, all as one undoable step.
#include <QAction>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "app/dialogs/clash_form.h"
#include "app/dialogs/import_forms.h"
#include "app/dialogs/load_form.h"
#include "convert/file_set.h"
#include "main_window_test_support.h"

namespace faceloom::test {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

class ImportTest : public MainWindowTest {
protected:
    // A folder of animated pictures: name → width.
    std::string PictureFolder(const std::string& name,
                              const std::vector<std::pair<std::string, int>>& pictures) {
        const std::string folder = packs_.folder() + name + "/";
        std::filesystem::create_directories(folder);
        for (const auto& [file, width] : pictures) WriteGif(folder + file, width, 10);
        return folder;
    }
    std::string Png(const std::string& name, int width, int height) {
        QImage image(width, height, QImage::Format_ARGB32);
        image.fill(QColor(200, 40, 40));
        // A transparent corner, so the key colour has something to do.
        for (int y = 0; y < height / 2; ++y)
            for (int x = 0; x < width / 2; ++x) image.setPixel(x, y, qRgba(0, 0, 0, 0));
        const std::string path = packs_.folder() + name;
        EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
        return path;
    }
    // Files dragged from the desktop and dropped on the grid at the point.
    static void DropOnGrid(TEditor& editor, QPoint at, const std::vector<std::string>& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const std::string& path : paths)
            urls.push_back(QUrl::fromLocalFile(QString::fromStdString(path)));
        mime.setUrls(urls);
        QWidget* viewport = editor.Grid().viewport();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &drop);
    }
    static QPoint EmptySpot(TEditor& editor) {
        const QWidget* viewport = editor.Grid().viewport();
        return {viewport->width() - 3, viewport->height() - 3};
    }
    static std::vector<std::string> Signatures(TEditor& editor, int32_t i) {
        return editor.Window->Model()->Smile(i)->Signatures.Items();
    }
    static std::string WorkingPicture(TEditor& editor, int32_t i) {
        TDefineDecoder& model = *editor.Window->Model();
        const uint8_t pack = model.CurrentPack();
        return ReadBytes(model.WorkingFolder(pack) + CanonicalName(i, model.NameWidth(pack)) +
                         (pack == kStaticPack ? ".bmp" : ".gif"));
    }
    // Answers the messages window (when it comes) with OK, keeping its lines.
    void KeepMessages(TModalAnswers& answers) {
        answers.Answer([this](TDialogBase& dialog) {
            if (auto* messages = qobject_cast<TMessagesForm*>(&dialog)) lines_ = messages->Lines();
            dialog.done(kResultOk);
        });
    }

    QStringList lines_;
};

TEST_F(ImportTest, DroppingAFolderAndAZipAddsTheirSmilesInNameOrderWithCodesFromTheirNames) {
    const std::string folder = MakePack("pack", 2, "x\r\ny\r\n");
    const std::string dropped = PictureFolder("drop", {{"b10.gif", 21}, {"b2.gif", 22}, {"a.gif", 23}});
    const std::string zip = packs_.folder() + "more.zip";
    WriteZip(zip, {{"z.gif", Bytes(GifBytes(24, 10))}, {"y.gif", Bytes(GifBytes(25, 10))}});
    TEditor editor;
    StartOn(editor, folder);
    TModalAnswers answers;
    // Where there is no smile: at the start, as any drop there.
    DropOnGrid(editor, EmptySpot(editor), {dropped, zip});
    EXPECT_TRUE(answers.Seen.empty());
    EXPECT_EQ(Widths(editor), (std::vector<int>{23, 22, 21, 25, 24, 10, 11}));
    const std::vector<std::vector<std::string>> codes = {{":a:"}, {":b2:"}, {":b10:"}, {":y:"}, {":z:"}};
    for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(Signatures(editor, i), codes[static_cast<size_t>(i)]) << i;
    ExpectInStep(editor);
    EXPECT_EQ(editor.Grid().ItemIndex(), 4);
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), "7");
    // One step: a single undo takes the whole batch back.
    EXPECT_TRUE(editor.Window->findChild<QAction*>("TntToolButton15Action")
                    ->toolTip()
                    .contains(QString::fromUtf8("добавление смайлов (5) с 1")));
    editor.Window->Commands().Run(TCommand::Undo);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11}));
    ExpectInStep(editor);
}

TEST_F(ImportTest, APngDroppedIntoTheAnimatedPackBecomesAGifAndTheNotesAreSaidAtTheEnd) {
    const std::string folder = MakePack("pack", 2, "x\r\ny\r\n");
    const std::string png = Png("pic.png", 30, 20);
    const std::string original = ReadBytes(png);
    TEditor editor;
    StartOn(editor, folder);
    TModalAnswers answers;
    // Dropped on smile 0: after it.
    editor.Window->SmileView1DropFiles(0, {QString::fromStdString(png)});
    EXPECT_TRUE(answers.Seen.empty());
    ASSERT_EQ(editor.Window->Model()->SmileCount(), 3);
    EXPECT_EQ(WorkingPicture(editor, 1).substr(0, 4), "GIF8");
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 30, 11}));
    EXPECT_EQ(Signatures(editor, 1), std::vector<std::string>{":pic:"});
    EXPECT_EQ(ReadBytes(png), original);
    ExpectInStep(editor);

    // Too large a picture is scaled down, a damaged one skipped; both said in one window.
    const std::string mixed = PictureFolder("mixed", {{"ok.gif", 40}});
    std::filesystem::copy_file(Png("big.png", 600, 300), mixed + "big.png");
    WriteBytes(mixed + "bad.png", "\x89PNG\r\n\x1a\n not really");
    KeepMessages(answers);
    editor.Window->SmileView1DropFiles(2, {QString::fromStdString(mixed)});
    EXPECT_EQ(answers.Seen, std::vector<QString>{"MessagesForm"});
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 30, 11, 256, 40}));
    ASSERT_EQ(lines_.size(), 2);
    const QString all = lines_.join('\n');
    EXPECT_TRUE(all.contains(QString::fromUtf8("bad.png»: картинку не удалось прочитать")))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QString::fromUtf8("big.png»: картинка уменьшена"))) << all.toStdString();
    ExpectInStep(editor);
}

// Replace picture takes what an add takes: a PNG or JPEG becomes a picture of the pack's kind
// in one undoable step; a file that is no picture is refused with the reason, the pack as it was.
TEST_F(ImportTest, ReplacePictureConvertsAsAnAddDoesOrRefusesWhatIsNoPicture) {
    const std::string folder = MakePack("pack", 2, "x\r\ny\r\n");
    const std::string png = Png("pic.png", 30, 20);
    const std::string text = packs_.folder() + "notes.png";
    WriteBytes(text, "not a picture at all");
    QImage photo(24, 18, QImage::Format_RGB32);
    photo.fill(QColor(20, 120, 200));
    const std::string jpeg = packs_.folder() + "photo.jpg";
    ASSERT_TRUE(photo.save(QString::fromStdString(jpeg), "JPEG"));
    TEditor editor;
    StartOn(editor, folder);
    TModalAnswers answers;
    const std::string old = WorkingPicture(editor, 1);
    struct TCase {
        std::string File;
        std::vector<int> Widths;
        bool Refused;
    };
    for (const TCase& c :
         std::vector<TCase>{{png, {10, 30}, false}, {jpeg, {10, 24}, false}, {text, {10, 11}, true}}) {
        SCOPED_TRACE(c.File);
        answers.Seen.clear();
        editor.Grid().SetItemIndex(1);
        editor.Dialogs->Files.push_back({QString::fromStdString(c.File)});
        editor.Window->Commands().Run(TCommand::ReplacePicture);
        EXPECT_EQ(Widths(editor), c.Widths);
        ExpectInStep(editor);
        EXPECT_EQ(Signatures(editor, 1), std::vector<std::string>{"y"});
        if (c.Refused) {
            EXPECT_EQ(answers.Seen, std::vector<QString>{"SaveFailureBox"});
            EXPECT_EQ(editor.Window->LastSaveFailure(),
                      QString::fromUtf8("«notes.png»: это не картинка известного формата, пропущено."));
            EXPECT_EQ(WorkingPicture(editor, 1), old);
            EXPECT_FALSE(editor.Window->Model()->CanUndo());
            continue;
        }
        EXPECT_TRUE(answers.Seen.empty());
        EXPECT_EQ(WorkingPicture(editor, 1).substr(0, 4), "GIF8");
        // One step: undo brings the old picture back.
        editor.Window->Commands().Run(TCommand::Undo);
        EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11}));
        EXPECT_EQ(WorkingPicture(editor, 1), old);
        EXPECT_FALSE(editor.Window->Model()->CanUndo());
        ExpectInStep(editor);
    }
    // The file dialog offers every picture format the replacement converts.
    EXPECT_EQ(editor.Dialogs->Requests.back().Filter,
              QString::fromUtf8(
                  "Картинки (*.gif;*.bmp;*.png;*.jpg;*.jpeg;*.webp)|*.gif;*.bmp;*.png;*.jpg;*.jpeg;*.webp|"
                  "GIF-файлы (*.gif)|*.gif|Все файлы (*.*)|*.*"));
}

// What each choice of the clash window puts in the pack: the new picture "a.gif" clashes with
// smile 1's ":a:". The window shows both pictures; a smile left without any signature is named
// in the notes; a signature the user types is the one the smile gets.
TEST_F(ImportTest, EachClashChoiceLandsInThePackAsChosen) {
    struct TCase {
        const char* Name;
        std::function<void(TClashForm&)> Choose;  // nullptr: Cancel
        int Added;
        bool Renamed;  // the new smile has the renamed signature; otherwise none
        bool Noted;    // the notes follow: the new smile has no signature
    };
    const std::vector<TCase> cases = {
        {"keep", [](TClashForm& form) { form.ChooseAll(TClashChoice::Keep); }, 1, false, true},
        {"rename", [](TClashForm& form) { form.ChoiceBox(0)->setCurrentIndex(1); }, 1, true, false},
        {"typed",
         [](TClashForm& form) {
             form.ChoiceBox(0)->setCurrentIndex(1);
             form.RenamedEdit(0)->clear();
             QTest::keyClicks(form.RenamedEdit(0), ":mine:");
         },
         1, true, false},
        {"skip", [](TClashForm& form) { form.ChooseAll(TClashChoice::Skip); }, 0, false, false},
        {"cancel", nullptr, 0, false, false},
    };
    const std::string dropped = PictureFolder("drop", {{"a.gif", 30}});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        // A storage of its own: the editor starts without the pack of the case before.
        ScopedDataHome home;
        const std::string folder = MakePack(c.Name, 2, ":b:\r\n:A:\r\n");
        TEditor editor;
        StartOn(editor, folder);
        TModalAnswers answers;
        QString renamed;
        answers.Answer([&](TDialogBase& dialog) {
            auto& form = static_cast<TClashForm&>(dialog);
            ASSERT_EQ(form.RowCount(), 1);
            for (const char* picture : {"NewPicture0", "OtherPicture0"}) {
                const QLabel* label = form.findChild<QLabel*>(picture);
                ASSERT_NE(label, nullptr) << picture;
                EXPECT_FALSE(label->pixmap().isNull()) << picture;
            }
            if (!c.Choose) return dialog.done(kResultCancel);
            c.Choose(form);
            renamed = form.Renamed(0);
            dialog.done(kResultOk);
        });
        if (c.Noted) answers.Answer(kResultOk);
        editor.Window->SmileView1DropFiles(1, {QString::fromStdString(dropped)});
        const std::vector<QString> seen =
            c.Noted ? std::vector<QString>{"ClashForm", "MessagesForm"} : std::vector<QString>{"ClashForm"};
        EXPECT_EQ(answers.Seen, seen);
        if (std::string(c.Name) == "typed") {
            EXPECT_EQ(renamed, QStringLiteral(":mine:"));
        }
        ASSERT_EQ(editor.Window->Model()->SmileCount(), 2 + c.Added);
        EXPECT_EQ(Signatures(editor, 1), std::vector<std::string>{":A:"});
        if (c.Added) {
            EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11, 30}));
            EXPECT_EQ(Signatures(editor, 2), c.Renamed ? std::vector<std::string>{renamed.toStdString()}
                                                       : std::vector<std::string>{});
            EXPECT_FALSE(renamed.isEmpty());
            EXPECT_FALSE(renamed.toLower().contains(":a:"));
        }
        // Nothing added is nothing to undo.
        EXPECT_EQ(editor.Window->Model()->CanUndo(), c.Added > 0);
        ExpectInStep(editor);
    }
}

TEST_F(ImportTest, APidginThemeComesInAsANewPackAfterTheSaveQuestionOrIntoTheCurrentOne) {
    const std::string folder = MakePack("pack", 1, ":x:\r\n");
    const std::string theme = PictureFolder("theme", {{"smile.gif", 40}, {"sad.gif", 41}});
    WriteBytes(
        theme + "theme",
        "Name=Test\nDescription=For the test\nAuthor=Us\n\n[default]\nsmile.gif :-) :)\nsad.gif :-(\n");
    TEditor editor;
    StartOn(editor, folder);
    TModalAnswers answers;
    // Cancelled at the question: nothing happens.
    editor.Dialogs->Files.push_back({QString::fromStdString(theme + "theme")});
    answers.Answer(kResultCancel);
    editor.Window->Commands().Run(TCommand::Import);
    EXPECT_EQ(Widths(editor), std::vector<int>{10});

    // Into the current pack, after the selection.
    editor.Grid().SetItemIndex(0);
    editor.Dialogs->Files.push_back({QString::fromStdString(theme + "theme")});
    answers.Answer(kResultNo);
    editor.Window->Commands().Run(TCommand::Import);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 40, 41}));

    // As a new pack: the pack shown is put to the save question first ("No": not saved).
    editor.Dialogs->Files.push_back({QString::fromStdString(theme + "theme")});
    answers.Answer(kResultYes);
    answers.Answer(kResultNo);
    editor.Window->Commands().Run(TCommand::Import);
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"ImportTargetForm", "ImportTargetForm", "ImportTargetForm",
                                                  "QueryForm"}));
    EXPECT_EQ(Widths(editor), (std::vector<int>{40, 41}));
    EXPECT_EQ(Signatures(editor, 0), (std::vector<std::string>{":-)", ":)"}));
    EXPECT_EQ(Signatures(editor, 1), std::vector<std::string>{":-("});
    EXPECT_EQ(ReadBytes(folder + "_define.ini"), ":x:\r\n");
    ExpectInStep(editor);
}

TEST_F(ImportTest, AFolderWithoutPicturesAddsNothingAndSaysSo) {
    const std::string folder = MakePack("pack", 1, ":x:\r\n");
    const std::string empty = PictureFolder("empty", {});
    TEditor editor;
    StartOn(editor, folder);
    TModalAnswers answers;
    KeepMessages(answers);
    editor.Dialogs->Folders.push_back(QString::fromStdString(empty));
    editor.Window->Commands().Run(TCommand::AddFolder);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"MessagesForm"});
    EXPECT_EQ(
        lines_,
        QStringList{
            QString::fromUtf8("В «%1» не найдено картинок для импорта.").arg(QString::fromStdString(empty))});
    EXPECT_EQ(Widths(editor), std::vector<int>{10});
    EXPECT_FALSE(editor.Window->Model()->CanUndo());
}

// Cancel in the progress window stops the import before anything is added.
TEST_F(ImportTest, CancelInTheProgressWindowAddsNothing) {
    const std::string folder = MakePack("pack", 1, ":x:\r\n");
    std::vector<std::pair<std::string, int>> many;
    for (int i = 0; i < 40; ++i) many.push_back({"p" + std::to_string(i) + ".gif", 12});
    const std::string dropped = PictureFolder("many", many);
    TEditor editor;
    StartOn(editor, folder);
    TLoadForm& progress = *editor.Forms.LoadForm;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&progress] {
        if (progress.isVisible() && progress.Cancellable())
            progress.findChild<QPushButton*>("CancelButton")->click();
    });
    press.start(0);
    editor.Window->SmileView1DropFiles(0, {QString::fromStdString(dropped)});
    press.stop();
    EXPECT_EQ(Widths(editor), std::vector<int>{10});
    EXPECT_FALSE(editor.Window->Model()->CanUndo());
    EXPECT_FALSE(progress.isVisible());
    EXPECT_FALSE(progress.Cancellable());
    EXPECT_TRUE(editor.Window->isVisible());
}

}  // namespace
}  // namespace faceloom::test
