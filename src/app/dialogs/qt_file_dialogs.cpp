#include "app/dialogs/qt_file_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "app/dialogs/file_filter.h"
#include "app/dialogs/folder_dialog.h"

namespace faceloom {

std::unique_ptr<QFileDialog> TQtFileDialogs::MakeOpenDialog(QWidget* owner, const TOpenFileRequest& request,
                                                            bool many) {
    auto dialog = std::make_unique<QFileDialog>(owner, request.Title);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::HideNameFilterDetails);
    ShowSizesAndDatesInTheLanguage(*dialog);
    // Opening never creates, renames or deletes anything.
    dialog->setOption(QFileDialog::ReadOnly);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(many ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    const QStringList filters = QtNameFilters(request.Filter);
    if (!filters.isEmpty()) dialog->setNameFilters(filters);
    dialog->setDefaultSuffix(request.DefaultExtension);
    const QFileInfo start(request.StartFolder);
    dialog->setDirectory(!request.StartFolder.isEmpty() && start.isDir() ? start.absoluteFilePath()
                                                                         : QDir::homePath());
    return dialog;
}

std::optional<QString> TQtFileDialogs::OpenFile(QWidget* owner, const TOpenFileRequest& request) {
    auto dialog = MakeOpenDialog(owner, request, false);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return std::nullopt;
    return dialog->selectedFiles().first();
}

QStringList TQtFileDialogs::OpenFiles(QWidget* owner, const TOpenFileRequest& request) {
    auto dialog = MakeOpenDialog(owner, request, true);
    if (dialog->exec() != QDialog::Accepted) return {};
    return dialog->selectedFiles();
}

std::optional<QString> TQtFileDialogs::SelectFolder(QWidget* owner, const QString& title,
                                                    const QString& startFolder, bool newFolderButton) {
    TFolderDialog dialog(owner, title, startFolder, newFolderButton);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QString folder = dialog.ChosenFolder();
    if (folder.isEmpty()) return std::nullopt;
    return folder;
}

}  // namespace faceloom
