#include "app/dialogs/folder_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>

#include "app/dialogs/file_filter.h"

namespace faceloom {

TFolderDialog::TFolderDialog(QWidget* owner, const QString& title, const QString& startFolder,
                             bool newFolderButton)
    : QFileDialog(owner, title) {
    setOption(QFileDialog::DontUseNativeDialog);
    ShowSizesAndDatesInTheLanguage(*this);
    setFileMode(QFileDialog::Directory);
    setOption(QFileDialog::ShowDirsOnly);
    setAcceptMode(QFileDialog::AcceptOpen);
    // Read-only also keeps rename and delete out of the browser when no folder may be made.
    setOption(QFileDialog::ReadOnly, !newFolderButton);
    if (auto* button = findChild<QToolButton*>(QStringLiteral("newFolderButton"))) {
        button->setVisible(newFolderButton);
    }
    const QFileInfo start(startFolder);
    setDirectory(!startFolder.isEmpty() && start.isDir() ? start.absoluteFilePath() : QDir::homePath());
}

QString TFolderDialog::ChosenFolder() const {
    return chosen_;
}

QString TFolderDialog::ResolveTyped(const QString& typed) const {
    if (typed == QLatin1String("~")) return QDir::homePath();
    if (typed.startsWith(QLatin1String("~/"))) return QDir::homePath() + typed.mid(1);
    return QDir::cleanPath(directory().absoluteFilePath(typed));
}

void TFolderDialog::accept() {
    // The typed text decides, not a selection left in the list: Qt would prefer the latter and
    // accept a folder other than the one the user typed.
    QString typed;
    if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) typed = edit->text().trimmed();
    QString resolved;
    if (!typed.isEmpty()) {
        resolved = ResolveTyped(typed);
    } else {
        resolved = directory().absolutePath();
        typed = resolved;
    }
    const QString message = InvalidFolderMessage(typed, resolved);
    if (!message.isEmpty()) {
        emit PathRefused(message);
        QMessageBox::critical(this, windowTitle(), message, QMessageBox::Ok);
        return;
    }
    chosen_ = QDir::cleanPath(QFileInfo(resolved).absoluteFilePath());
    QDialog::accept();
}

}  // namespace faceloom
