#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

namespace faceloom {

// The Windows filter "name|pattern|name|pattern" (patterns separated by ";") as Qt name
// filters "name (pattern pattern)". Pairs without a pattern and an unpaired trailing name are
// dropped, as the Windows dialogs drop them. Show them with HideNameFilterDetails, so the user
// sees each name as written.
QStringList QtNameFilters(const QString& windowsFilter);

// The message for a path typed in the folder dialog that does not name an existing folder,
// or an empty string when it names one. typed is shown as the user wrote it; resolved is the
// absolute path it stands for.
QString InvalidFolderMessage(const QString& typed, const QString& resolved);

// The dialog's sizes and dates in the editor's language (QLocale's default, which follows it)
// rather than the desktop's: Qt's file model words them by the system's locale.
void ShowSizesAndDatesInTheLanguage(QFileDialog& dialog);

}  // namespace faceloom
