#pragma once

class QLocale;
class QTranslator;

namespace faceloom {

// Qt's own texts (the labels and buttons of its file and folder dialogs, the menus of edit
// fields) in the desktop's language, as the platform's own dialogs would speak it. Returns the
// installed translator, owned by the application (deleting it uninstalls it), or nullptr when
// Qt has no translation for the locale or none is installed: those texts then stay English.
QTranslator* InstallQtTranslations(const QLocale& locale);

}  // namespace faceloom
