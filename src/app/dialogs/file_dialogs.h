#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace faceloom {

// What an open-file dialog is asked for.
struct TOpenFileRequest {
    QString Title;
    // Windows form: "name|pattern|name|pattern", patterns separated by ";".
    QString Filter;
    // Used only when it is an existing folder.
    QString StartFolder;
    // Without the dot; added to a typed name that has none.
    QString DefaultExtension;
};

// The platform's file and folder dialogs as the main window uses them. Tests replace it with
// one that answers at once.
class TFileDialogs {
public:
    virtual ~TFileDialogs() = default;

    // One existing file; nothing when the user cancels.
    virtual std::optional<QString> OpenFile(QWidget* owner, const TOpenFileRequest& request) = 0;
    // One or more existing files in the dialog's order; empty when the user cancels.
    virtual QStringList OpenFiles(QWidget* owner, const TOpenFileRequest& request) = 0;
    // An existing folder (absolute, without a trailing separator unless it is the root);
    // nothing when the user cancels. A typed path that is not a folder is refused in the dialog.
    virtual std::optional<QString> SelectFolder(QWidget* owner, const QString& title,
                                                const QString& startFolder, bool newFolderButton) = 0;
};

}  // namespace faceloom
