#pragma once

#include <QFileDialog>

namespace faceloom {

// The folder browser: Qt's own file dialog in folder mode, so that a typed path that is not a
// folder gets the program's message and the dialog stays open (native dialogs cannot be asked
// to). Only existing folders can be chosen.
class TFolderDialog : public QFileDialog {
    Q_OBJECT

public:
    // A start folder that does not exist is not used: the dialog starts in the home folder.
    TFolderDialog(QWidget* owner, const QString& title, const QString& startFolder, bool newFolderButton);

    // The folder chosen (absolute, no trailing separator but for the root), once accepted.
    QString ChosenFolder() const;

    void accept() override;

signals:
    // The message shown for a refused path, for tests and logs.
    void PathRefused(const QString& message);

private:
    QString ResolveTyped(const QString& typed) const;

    QString chosen_;
};

}  // namespace faceloom
