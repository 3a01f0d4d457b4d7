#include "app/dialogs/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

#include "lang/lang.h"

namespace faceloom {

QTranslator* InstallQtTranslations(const QLocale& locale) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

QLocale QtLocaleOf(const TLang& lang) {
    if (lang.BuiltIn()) return QLocale(QLocale::Russian, QLocale::Russia);
    const QString name = QString::fromStdU16String(lang.Name()).trimmed();
    if (!name.isEmpty()) {
        for (int code = QLocale::C + 1; code <= QLocale::LastLanguage; ++code) {
            const auto language = static_cast<QLocale::Language>(code);
            const QLocale locale(language);
            if (locale.language() != language) continue;  // no data for it
            if (name.compare(QLocale::languageToString(language), Qt::CaseInsensitive) == 0 ||
                name.compare(locale.nativeLanguageName(), Qt::CaseInsensitive) == 0) {
                return locale;
            }
        }
    }
    return QLocale::system();
}

void FollowLanguageInQtTexts(const TLang& lang) {
    // One translator of Qt's texts at a time: the language's replaces the last one.
    static QPointer<QTranslator> installed;
    delete installed.data();
    installed = InstallQtTranslations(QtLocaleOf(lang));
    // Sizes and dates that Qt words by a locale (the file dialogs') follow as well.
    QLocale::setDefault(QtLocaleOf(lang));
}

}  // namespace faceloom
