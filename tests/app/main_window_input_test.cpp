// The main window given bad input: pictures that do not decode, dropped paths that are not
// pictures, folders without pictures of the pack's kind, settings and language files with
// nonsense in them or that cannot be written, and hand-overs of folders that hold no pack.
// Each has its defined outcome; nothing crashes and nothing is lost.
#include <fcntl.h>
#include <semaphore.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "app/commands/interface_manager.h"
#include "app/dialogs/check_form.h"
#include "app/dialogs/query_form.h"
#include "app/dialogs/save_errors_form.h"
#include "app/dialogs/signature_form.h"
#include "dialog_test_support.h"
#include "lang/lang.h"
#include "main_window_test_support.h"
#include "platform/hand_over.h"
#include "platform/paths.h"
#include "storage/config_manager.h"
#include "storage/global_config_manager.h"
#include "storage/storage_layout.h"
#include "storage/storage_manager.h"

namespace faceloom::test {
namespace {

void WriteText(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The start of a GIF that ends inside its screen descriptor.
const std::string kTruncatedGif = std::string("GIF89a\x10\x00", 8);

class MainWindowInputTest : public MainWindowTest {
protected:
    // The global settings file as the editor finds it, replaced by text.
    static void WriteSettings(const std::string& text) {
        TStorageManager storage(GlobalConfigSubPath());
        const std::string file = TGlobalConfigManager(storage).FileName();
        WriteText(file, text);
    }
    static QString BuiltinText(int id) {
        return QString::fromStdU16String(TLang(std::string(), true).Text(id));
    }
};

void PutLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A hand-over block for this process under the test editors' names, and the event it is
// acknowledged by; both gone again at the end.
class TScopedHandOver {
public:
    TScopedHandOver(const std::string& base, const std::string& pack) {
        const THandOverNames names = HandOverNames(TestHandOverSuffix());
        block_ = "/" + names.Block;
        event_ = "/" + names.Event;
        std::string bytes;
        PutLe32(bytes, CurrentProcessId());                  // the instance it is meant for
        PutLe32(bytes, static_cast<uint32_t>(base.size()));  // L1
        PutLe32(bytes, static_cast<uint32_t>(pack.size()));  // L2
        bytes += base + '\0';                                // base folder
        bytes += pack + '\0';                                // pack folder, may be empty
        const int fd = ::shm_open(block_.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
        ::sem_unlink(event_.c_str());
        event = ::sem_open(event_.c_str(), O_CREAT | O_EXCL, 0600, 0);
        EXPECT_NE(event, SEM_FAILED);
    }
    ~TScopedHandOver() {
        ::shm_unlink(block_.c_str());
        if (event != SEM_FAILED) ::sem_close(event);
        ::sem_unlink(event_.c_str());
    }
    int Acknowledgements() const {
        int value = -1;
        ::sem_getvalue(event, &value);
        return value;
    }

private:
    std::string block_, event_;
    sem_t* event = SEM_FAILED;
};

TEST_F(MainWindowInputTest, AHandOverOfAFolderWithoutAPackStartsOnAnEmptyPackOfItsOwn) {
    const std::string base = packs_.folder() + "base/";
    MakePack("base/Animated", 2, "a\r\nb\r\n");
    std::filesystem::create_directories(packs_.folder() + "empty");
    struct TCase {
        const char* What;
        std::string Pack;
        int Count;
    };
    const TCase cases[] = {
        {"no pack folder: the base folder", "", 2},
        {"a pack folder that does not exist", packs_.folder() + "missing/", 0},
        {"a pack folder without a pack", packs_.folder() + "empty/", 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TScopedHandOver handOver(base, c.Pack);
        TModalAnswers answers;
        TEditor editor;
        editor.Start();
        ASSERT_TRUE(editor.Window->HandedOver());
        EXPECT_EQ(editor.Window->StorageName(), "Coatwright");
        EXPECT_EQ(handOver.Acknowledgements(), 1);
        ASSERT_TRUE(editor.Window->EngineRunning());
        EXPECT_TRUE(editor.Window->Model()->BothMode());
        EXPECT_EQ(editor.Grid().Count(), c.Count);
        ExpectInStep(editor);
        // Nothing to report: the packs are what the folder holds, ready to be filled and
        // written back to the base folder.
        EXPECT_TRUE(answers.Seen.empty());
        EXPECT_TRUE(editor.Child("TntBitBtn2")->isEnabled());
        EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), QString::number(c.Count));
        EXPECT_TRUE(editor.Window->Model()->BothPathsAssigned());
        EXPECT_EQ(IncludeTrailingSeparator(editor.Window->Model()->BothPath()), base);
        answers.Answer(kResultNo);
        EXPECT_TRUE(editor.Window->close());
        EXPECT_EQ(ListFiles(base + "Animated/"),
                  (std::vector<std::string>{"_define.ini", "p0.gif", "p1.gif"}));
    }
}

TEST_F(MainWindowInputTest, AnUndecodablePictureShowsPlaceholder102AndCountsAsALoadError) {
    const std::string folder = MakePack("pack", 3, "a\r\nb\r\nc\r\n");
    WriteText(folder + "p1.gif", kTruncatedGif);
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 0, 12}));
    EXPECT_TRUE(editor.Window->Model()->Smile(1)->LoadError);
    EXPECT_EQ(editor.Grid().Smiles().GetSmile(1)->Picture.load(), BuiltinPicture(kPictureFailed));
    ExpectInStep(editor);
    EXPECT_EQ(editor.Window->Model()->ErrorCount(0), 1);
    // A failed picture can be deleted like any other.
    editor.Grid().SetItemIndex(1);
    EXPECT_TRUE(editor.Child("TntBitBtn10")->isEnabled());

    // The error report before saving counts it.
    QString loadErrors;
    answers.Answer([&loadErrors](TDialogBase& dialog) {
        loadErrors = dialog.findChild<QLabel*>("TntLabel4")->text();
        dialog.done(kResultCancel);
    });
    editor.Window->findChild<QAction*>("TntToolButton3Action")->trigger();
    EXPECT_EQ(answers.Seen, std::vector<QString>{"SaveErrorsForm"});
    EXPECT_EQ(loadErrors, "1");

    // Added by the button, such a file still becomes a smile with the placeholder.
    editor.Dialogs->Files.push_back({QString::fromStdString(packs_.folder() + "bad.gif")});
    WriteText(packs_.folder() + "bad.gif", "not a picture");
    editor.Child<QPushButton>("TntBitBtn2")->click();
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 0, 0, 12}));
    EXPECT_TRUE(editor.Window->Model()->Smile(2)->LoadError);
    ExpectInStep(editor);
}

TEST_F(MainWindowInputTest, DroppedPathsThatAreNoReadableFilesAddNothingAndTheRestKeepTheirPlaces) {
    const std::string folder = MakePack("pack", 2, "a\r\nb\r\n");
    // (A folder is no refusal any more: its pictures are imported, see import_test.cpp.)
    std::vector<std::string> dropped;
    const std::string dangling = packs_.folder() + "gone.gif";
    std::filesystem::create_symlink(packs_.folder() + "nothing-here.gif", dangling);
    dropped.push_back(dangling);  // a link to nothing
    const std::string fifo = packs_.folder() + "pipe.gif";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    dropped.push_back(fifo);  // a pipe: opening it to read would wait for a writer for ever
    dropped.push_back(Gif("good.gif", 40));
    // Without read permission; the superuser reads it all the same, so only for others.
    if (::geteuid() != 0) {
        const std::string locked = Gif("locked.gif", 41);
        ::chmod(locked.c_str(), 0);
        dropped.push_back(locked);
    }
    dropped.push_back(Gif("good2.gif", 42));
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    QStringList files;
    for (const std::string& path : dropped) files.push_back(QString::fromStdString(path));
    TModalAnswers answers;
    editor.Window->SmileView1DropFiles(0, files);
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 40, 42, 11}));
    // One message for all of them: the reason once, then every path it refused.
    EXPECT_EQ(answers.Seen, std::vector<QString>{"SaveFailureBox"});
    QString refused = BuiltinText(1709);
    for (const std::string& path : dropped) {
        if (path.find("good") == std::string::npos) refused += "\n" + QString::fromStdString(path);
    }
    EXPECT_EQ(editor.Window->LastSaveFailure(), refused);
    EXPECT_EQ(editor.Grid().ItemIndex(), 2);
    EXPECT_EQ(editor.Child<QLabel>("TntPanel1")->text(), "4");
    ExpectInStep(editor);
    EXPECT_EQ(Define(editor), "a\r\n \r\n \r\nb");
}

TEST_F(MainWindowInputTest, AFolderWithoutPicturesOfThePacksKindShowsTheEmptyPackNotice) {
    // Only BMP pictures where the animated pack wants GIF ones.
    const std::string folder = packs_.folder() + "static-only/";
    WriteDefine(folder, "a\r\nb\r\n");
    WriteBmp(folder + "0.bmp", 10, 10);
    WriteBmp(folder + "1.bmp", 11, 10);
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    EXPECT_EQ(answers.Seen, std::vector<QString>{"NoSmiliesForm"});
    // One notice is enough: the check's report of the missing pictures waits for the user.
    EXPECT_FALSE(editor.Forms.CheckForm->isVisible());
    // The grid shows what the model holds: the smiles without pictures.
    EXPECT_EQ(Widths(editor), (std::vector<int>{0, 0}));
    EXPECT_EQ(editor.Window->Model()->ErrorCount(1), 2);
    ExpectInStep(editor);
    EXPECT_EQ(ListFiles(folder), (std::vector<std::string>{"0.bmp", "1.bmp", "_define.ini"}));

    // The save question (the pack changed) cancelled: nothing opened, and the pack still shown
    // has no picture.
    const std::string other = MakePack("pack", 1, "x\r\n");
    editor.Grid().SetItemIndex(0);
    editor.Child<QPushButton>("TntBitBtn7")->click();
    answers.Answer(kResultCancel);
    Open(editor, other);
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"NoSmiliesForm", "QueryForm", "NoSmiliesForm"}));
    EXPECT_EQ(Widths(editor), (std::vector<int>{0, 0}));
    // A folder with the right pictures opens without the notice.
    answers.Answer(kResultNo);
    Open(editor, other);
    EXPECT_EQ(answers.Seen,
              (std::vector<QString>{"NoSmiliesForm", "QueryForm", "NoSmiliesForm", "QueryForm"}));
    EXPECT_EQ(Widths(editor), std::vector<int>{10});
}

TEST_F(MainWindowInputTest, NonsenseInTheSettingsFileGivesTheDefaultsAndTheWindowWorks) {
    const std::pair<const char*, const char*> values[] = {
        {GlobalKeyName(TGlobalIntegerKey::FontHeight), "-2147483648"},  // no positive counterpart
        {GlobalKeyName(TGlobalIntegerKey::RowWidth), "12000"},          // more than the field can hold
        {GlobalKeyName(TGlobalIntegerKey::BackgroundColor), "white"},
        {GlobalKeyName(TGlobalIntegerKey::HotTrackColor), "0x"},
        {GlobalKeyName(TGlobalIntegerKey::HotTrackBorderColor), ""},
        {GlobalKeyName(TGlobalIntegerKey::FontColor), "99999999999999999999"},  // beyond 32 bits
        {GlobalKeyName(TGlobalIntegerKey::WindowLeft), "-99999999"},
        {GlobalKeyName(TGlobalIntegerKey::WindowWidth), "2000000000"},
        {GlobalKeyName(TGlobalIntegerKey::WindowHeight), "2000000000"},
        {GlobalKeyName(TGlobalBoolKey::AnimateAll), "yes"},
        {GlobalKeyName(TGlobalBoolKey::ShowSignatures), ""},
        {GlobalKeyName(TGlobalBoolKey::FontBold), "maybe"},
    };
    std::string text = "\xff\xfe garbage\r\n[Options\r\n[Options]\r\nno equals sign\r\n=\r\n";
    for (const auto& [key, value] : values) text += std::string(key) + "=" + value + "\r\n";
    WriteSettings(text);

    TEditor editor;
    editor.Start();
    ASSERT_TRUE(editor.Window->EngineRunning());
    TSmileView& grid = editor.Grid();
    EXPECT_EQ(grid.font().pixelSize(), 11);
    EXPECT_FALSE(grid.font().bold());
    EXPECT_EQ(grid.RowWidth(), 10);
    EXPECT_EQ(grid.Color(), 0x00FFFFFFu);
    EXPECT_EQ(grid.HotTrackColor(), 0x00FFF0F0u);
    EXPECT_EQ(grid.HotTrackBorderColor(), 0x00FF8080u);
    EXPECT_EQ(grid.FontColor(), 0xFF000008u);
    EXPECT_TRUE(grid.AnimateAll());
    EXPECT_TRUE(grid.ShowSignatures());
    EXPECT_TRUE(editor.Child<QToolButton>("TntSpeedButton1")->isChecked());
    // Never larger than the screen.
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    EXPECT_LE(editor.Window->width(), screen.width());
    EXPECT_LE(editor.Window->height(), screen.height());

    Open(editor, MakePack("pack", 2, "a\r\nb\r\n"));
    EXPECT_EQ(Widths(editor), (std::vector<int>{10, 11}));
    ExpectInStep(editor);
}

TEST_F(MainWindowInputTest, AMissingOrBrokenLanguageFileGivesTheBuiltInLanguage) {
    const std::string broken = packs_.folder() + "Broken.lng";
    WriteText(broken, std::string("MZ\x90\x00\xff\xff garbage", 14));
    for (const std::string& file : {packs_.folder() + "Missing.lng", broken}) {
        SCOPED_TRACE(file);
        WriteSettings("[Options]\r\n" + std::string(GlobalKeyName(TGlobalStringKey::LangDirectory)) + "=" +
                      file + "\r\n");
        TEditor editor;
        editor.Start();
        ASSERT_TRUE(editor.Window->EngineRunning());
        EXPECT_EQ(editor.Window->windowTitle(), BuiltinText(401));
        EXPECT_EQ(editor.Child("TntBitBtn8")->toolTip(), BuiltinText(418) + " (Del)");
        EXPECT_EQ(editor.Forms.QueryForm->windowTitle(), BuiltinText(401));
    }
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

TEST_F(MainWindowInputTest, SettingsThatCannotBeWrittenAreReportedAndTheWindowGoesOn) {
    // Folders where the settings files should be: nothing can be written to them.
    auto block = [](const std::string& file) {
        std::filesystem::remove(file);
        std::filesystem::create_directories(file + "/x");
    };
    {
        TStorageManager storage(GlobalConfigSubPath());
        block(TGlobalConfigManager(storage).FileName());
    }
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    editor.Child<QToolButton>("TntSpeedButton2")->click();
    EXPECT_EQ(answers.Seen, std::vector<QString>{"SaveFailureBox"});
    EXPECT_TRUE(editor.Window->LastSaveFailure().endsWith("config.ini"));
    EXPECT_FALSE(editor.Grid().ShowSignatures());  // in force for this run

    Open(editor, MakePack("pack", 2, "a\r\nb\r\n"));
    block(editor.Window->Model()->Config().FileName());
    editor.Grid().SetItemIndex(0);
    editor.Child<QPushButton>("TntBitBtn8")->click();  // deletes without asking: nothing to store
    EXPECT_EQ(answers.Seen, (std::vector<QString>{"SaveFailureBox"}));
    EXPECT_EQ(Widths(editor), std::vector<int>{11});
    ExpectInStep(editor);
    // Closing does not stop at the window's place it cannot keep.
    EXPECT_TRUE(editor.Window->close());
    EXPECT_EQ(answers.Seen.size(), 1u);
}

}  // namespace
}  // namespace faceloom::test

namespace faceloom::test {
namespace {

// What a definition line could not give back unchanged is refused as it is typed or pasted,
// with a note in the language shown; the duplicate check sees the text as it will read back.
TEST_F(MainWindowInputTest, SignaturesThatWouldNotReadBackUnchangedAreRefusedAsTheyAreTyped) {
    const std::string folder = MakePack("pack", 2, "s04\r\nb\r\n");
    TModalAnswers answers;
    TEditor editor;
    editor.Start();
    Open(editor, folder);
    editor.Grid().SetItemIndex(1);
    struct TCase {
        const char* name;
        QString typed;  // the last character is the refused one
        bool paste;
        QString kept;
        int note;
        QString detail;  // after the note
    };
    const std::vector<TCase> cases = {
        {"a comma typed", "x,", false, "x", 1715, ""},
        {"a comma pasted", "s04,z", true, "", 1715, ""},
        {"a line break pasted", "a\nb", true, "", 1716, ""},
        {"a tab pasted", "a\tb", true, "", 1716, ""},
        {"a character the code page lacks", QString::fromUtf8("\xD1\x8F\xC3\xBC"), false,
         QString::fromUtf8("\xD1\x8F"), 1717,
         QString::fromUtf8(" (Windows-1251): \xC2\xAB\xC3\xBC\xC2\xBB U+00FC")},
    };
    const std::unique_ptr<TLang> builtIn = std::make_unique<TLang>(std::string(), true);
    const std::unique_ptr<TLang> english = English();
    for (const TLang* lang : {builtIn.get(), english.get()}) {
        editor.Window->ApplyLanguageToAllWindows(*lang);
        for (const TCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (lang == english.get() ? " (English)" : ""));
            answers.Answer([&](TDialogBase& dialog) {
                auto& form = static_cast<TSignatureForm&>(dialog);
                form.SetText(QString());
                auto* edit = form.findChild<QLineEdit*>("Edit1");
                auto* hint = form.findChild<QLabel*>("CodePageHint");
                if (c.paste) {
                    QGuiApplication::clipboard()->setText(c.typed);
                    edit->paste();
                } else {
                    TypeText(edit, c.typed);
                }
                EXPECT_EQ(form.Text(), c.kept);
                EXPECT_TRUE(hint->isVisible());
                EXPECT_EQ(hint->text(), Q(lang->Text(c.note)) + c.detail);
                dialog.done(kResultCancel);
            });
            editor.Child<QPushButton>("TntBitBtn11")->click();
        }
    }
    EXPECT_NE(Q(english->Text(1715)), Q(builtIn->Text(1715)));
    EXPECT_TRUE(answers.Done());
    EXPECT_EQ(editor.Window->Model()->Smile(1)->Signatures.Items(), std::vector<std::string>{"b"});

    // Blanks at the ends go, as they would on reading the file back: " s04 " is "s04", which
    // smile 0 has.
    answers.Answer([](TDialogBase& dialog) {
        TypeText(dialog.findChild<QLineEdit*>("Edit1"), " s04 ");
        dialog.done(kResultOk);
    });
    answers.Answer(kResultOk);
    editor.Child<QPushButton>("TntBitBtn11")->click();
    EXPECT_EQ(answers.Seen.back(), "SmileExistsForm");
    EXPECT_EQ(editor.Window->Model()->Smile(1)->Signatures.Items(), std::vector<std::string>{"b"});
    EXPECT_EQ(Define(editor), "s04\r\nb");
}

}  // namespace
}  // namespace faceloom::test
