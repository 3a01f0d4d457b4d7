#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs/app_forms.h"
#include "app/dialogs/dialog_base.h"
#include "app/dialogs/file_dialogs.h"
#include "app/main_window/main_window.h"
#include "model/define_decoder.h"
#include "pictures/builtin_pictures.h"
#include "pictures/picture_decoder.h"
#include "platform/code_page.h"
#include "support/pack_builder.h"
#include "support/temp_dir.h"
#include "views/smile_view.h"
#include "views/smile_view_smile.h"

namespace faceloom::test {

// File and folder dialogs that answer from queues at once and remember what they were asked.
class TFakeFileDialogs : public TFileDialogs {
public:
    std::optional<QString> OpenFile(QWidget*, const TOpenFileRequest& request) override {
        Requests.push_back(request);
        const QStringList files = Pop(Files);
        return files.isEmpty() ? std::nullopt : std::optional<QString>(files.front());
    }
    QStringList OpenFiles(QWidget*, const TOpenFileRequest& request) override {
        Requests.push_back(request);
        return Pop(Files);
    }
    std::optional<QString> SelectFolder(QWidget*, const QString& title, const QString& start,
                                        bool newFolder) override {
        FolderAsks.push_back({title, start, newFolder});
        if (Folders.empty()) return std::nullopt;
        std::optional<QString> folder = Folders.front();
        Folders.pop_front();
        return folder;
    }

    struct TFolderAsk {
        QString Title;
        QString Start;
        bool NewFolder;
    };
    std::deque<QStringList> Files;
    std::deque<std::optional<QString>> Folders;
    std::vector<TOpenFileRequest> Requests;
    std::vector<TFolderAsk> FolderAsks;

private:
    static QStringList Pop(std::deque<QStringList>& queue) {
        if (queue.empty()) return {};
        QStringList front = queue.front();
        queue.pop_front();
        return front;
    }
};

// Answers the modal dialogs as they come up, in order; a dialog without an answer left is
// cancelled. Records the object name of every dialog it met.
class TModalAnswers {
public:
    using TAnswer = std::function<void(TDialogBase&)>;

    TModalAnswers() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start(5);
    }

    void Answer(int result) {
        answers_.push_back([result](TDialogBase& dialog) { dialog.done(result); });
    }
    void Answer(TAnswer answer) { answers_.push_back(std::move(answer)); }
    bool Done() const { return answers_.empty(); }

    std::vector<QString> Seen;

private:
    void Poll() {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible()) return;
        Seen.push_back(modal->objectName());
        auto* dialog = qobject_cast<TDialogBase*>(modal);
        if (!dialog) {
            // A message box: closed unanswered.
            modal->reject();
            return;
        }
        if (answers_.empty()) {
            dialog->done(kResultCancel);
            return;
        }
        TAnswer answer = std::move(answers_.front());
        answers_.pop_front();
        answer(*dialog);
    }

    QTimer timer_;
    std::deque<TAnswer> answers_;
};

// Points XDG_RUNTIME_DIR (scratch files) at a private folder.
class TScopedRuntimeDir {
public:
    TScopedRuntimeDir() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
        setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
    }
    ~TScopedRuntimeDir() {
        if (old_) {
            setenv("XDG_RUNTIME_DIR", old_->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }
    const TempDir& dir() const { return dir_; }

private:
    TempDir dir_;
    std::optional<std::string> old_;
};

// The names of the hand-over objects of the editors this test program makes.
inline std::string TestHandOverSuffix() {
    return "-test-" + std::to_string(getpid());
}

// The editor as the program builds it: the main window first, then the other windows, the
// file dialogs replaced; started and waited for up to its first idle moment.
class TEditor {
public:
    TEditor() {
        Window = std::make_unique<TManagerMain>(Forms, TestHandOverSuffix());
        Forms.Create(
            [this](TDragDispatcherBase* dispatcher) { Window->Grid()->SetDragDispatcher(dispatcher); });
        auto dialogs = std::make_unique<TFakeFileDialogs>();
        Dialogs = dialogs.get();
        Window->SetFileDialogs(std::move(dialogs));
    }
    ~TEditor() {
        if (Window && Window->isVisible()) Window->close();
        Window.reset();
    }

    void Start() {
        bool started = false;
        QObject::connect(Window.get(), &TManagerMain::EngineStarted, [&started] { started = true; });
        Window->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return started; }, 10000));
        WaitForPictures();
    }
    // The pictures of the packs shown at the start are decoded in the background: done, and
    // the grid and the counts told.
    void WaitForPictures() {
        TDefineDecoder* model = Window->Model();
        if (!model) return;
        EXPECT_TRUE(QTest::qWaitFor([model] { return !model->Decoding(); }, 20000));
        QCoreApplication::processEvents();
    }

    TSmileView& Grid() const { return *Window->Grid(); }
    template <typename T = QWidget>
    T* Child(const char* name) const {
        return Window->findChild<T*>(QString::fromLatin1(name));
    }

    TAppForms Forms;
    std::unique_ptr<TManagerMain> Window;
    TFakeFileDialogs* Dialogs = nullptr;
};

// The main window's tests: a private data home and runtime folder, and a folder for packs.
class MainWindowTest : public ::testing::Test {
protected:
    // A pack folder of animated pictures; picture i is 10 + i pixels wide, so the width tells
    // which picture a smile shows.
    std::string MakePack(const std::string& name, int count, const std::string& define) {
        const std::string folder = packs_.folder() + name + "/";
        WriteDefine(folder, define);
        for (int i = 0; i < count; ++i) WriteGif(folder + "p" + std::to_string(i) + ".gif", 10 + i, 10);
        return folder;
    }
    std::string Gif(const std::string& name, int width) {
        const std::string path = packs_.folder() + name;
        WriteGif(path, width, 10);
        return path;
    }

    // Grid item i and smile i of the model show the same picture with the same label.
    static void ExpectInStep(TEditor& editor) {
        TDefineDecoder& model = *editor.Window->Model();
        ASSERT_EQ(editor.Grid().Count(), model.SmileCount());
        for (int32_t i = 0; i < model.SmileCount(); ++i) {
            SCOPED_TRACE(i);
            TSmileViewSmile* item = editor.Grid().Smiles().GetSmile(i);
            TSmile* smile = model.Smile(i);
            if (smile->Picture.load()) {
                EXPECT_EQ(item, smile);
            } else {
                // The placeholder: 102 for a picture that failed to decode, 101 for none.
                EXPECT_EQ(item->Picture.load(),
                          BuiltinPicture(smile->LoadError ? kPictureFailed : kPictureMissing));
            }
            EXPECT_EQ(editor.Grid().Smiles().Get(i),
                      QString::fromStdU16String(CodePageToUnicode(model.Label(i))));
        }
    }
    static std::vector<int> Widths(TEditor& editor) {
        std::vector<int> widths;
        TDefineDecoder& model = *editor.Window->Model();
        for (int32_t i = 0; i < model.SmileCount(); ++i) {
            TPictureDecoder* picture = model.Smile(i)->Picture.load();
            widths.push_back(picture ? picture->Width : 0);
        }
        return widths;
    }
    static std::string Define(TEditor& editor) {
        TDefineDecoder& model = *editor.Window->Model();
        return ReadBytes(model.DefinePath(model.CurrentPack()));
    }
    void Open(TEditor& editor, const std::string& folder) {
        editor.Dialogs->Files.push_back({QString::fromStdString(folder + "_define.ini")});
        editor.Window->OpenPackClick();
    }
    // Starts the editor on the pack in folder, its window active for the keys.
    void StartOn(TEditor& editor, const std::string& folder) {
        editor.Start();
        Open(editor, folder);
        editor.Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(editor.Window.get()));
    }

    ScopedDataHome home_;
    TScopedRuntimeDir runtime_;
    TempDir packs_;
};

}  // namespace faceloom::test
