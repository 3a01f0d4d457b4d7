#pragma once

#include <gtest/gtest.h>

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

#include "app/app_forms.h"
#include "app/dialog_base.h"
#include "app/file_dialogs.h"
#include "app/main_window.h"
#include "support/temp_dir.h"
#include "views/smile_view.h"

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

// Points XDG_RUNTIME_DIR (where the instance locks lie) at a private folder.
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

// The editor as the program builds it: the main window first, then the other windows, the
// file dialogs replaced; started and waited for up to its first idle moment.
class TEditor {
public:
    TEditor() {
        Window = std::make_unique<TManagerMain>(Forms, "-test-" + std::to_string(getpid()));
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

}  // namespace faceloom::test
