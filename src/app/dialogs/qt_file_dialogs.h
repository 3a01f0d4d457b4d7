#pragma once

#include <memory>

#include "app/dialogs/file_dialogs.h"

class QFileDialog;

namespace faceloom {

// The file and folder dialogs on Qt's own file dialog: the same look on every desktop, and
// patterns match letter case as Windows does ("SMILE.GIF" under "*.gif").
class TQtFileDialogs : public TFileDialogs {
public:
    std::optional<QString> OpenFile(QWidget* owner, const TOpenFileRequest& request) override;
    QStringList OpenFiles(QWidget* owner, const TOpenFileRequest& request) override;
    std::optional<QString> SelectFolder(QWidget* owner, const QString& title, const QString& startFolder,
                                        bool newFolderButton) override;

    // The open dialog as OpenFile and OpenFiles show it.
    static std::unique_ptr<QFileDialog> MakeOpenDialog(QWidget* owner, const TOpenFileRequest& request,
                                                       bool many);
};

}  // namespace faceloom
