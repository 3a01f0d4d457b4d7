#pragma once

class QLocale;
class QTranslator;

namespace faceloom {

class TLang;

// Qt's own texts (the labels and buttons of its file, folder, colour and font dialogs, the
// menus of edit fields) for a locale. Returns the installed translator, owned by the
// application (deleting it uninstalls it), or nullptr when Qt has no translation for the
// locale or none is installed: those texts then stay English.
QTranslator* InstallQtTranslations(const QLocale& locale);

// The locale whose Qt texts go with the editor's language: Russian for the built-in one, the
// language a file names itself by (in English or in its own words) otherwise, else the
// desktop's.
QLocale QtLocaleOf(const TLang& lang);

// Makes Qt's own texts speak the editor's language, replacing what an earlier call installed;
// windows made afterwards, and those that follow language changes, show it.
void FollowLanguageInQtTexts(const TLang& lang);

}  // namespace faceloom
