#include "app/dialogs/dialog_look.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

#include "lang/lang.h"

// The artwork is compiled into this static library; its registration must be pulled in
// explicitly, from outside any namespace.
static void InitDialogResources() {
    Q_INIT_RESOURCE(dialogs);
}

namespace faceloom {

namespace {

void EnsureResources() {
    static const bool done = (InitDialogResources(), true);
    (void)done;
}

QPixmap RenderSvg(const QString& path, int size) {
    EnsureResources();
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(path);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

}  // namespace

void EnsureDialogFonts() {
    static bool tried = false;
    if (tried) return;
    tried = true;
    if (QFontDatabase::families().contains(QString::fromLatin1(kDialogFontFamily), Qt::CaseInsensitive)) {
        return;
    }
    // Only the regular face: Wine's bold Tahoma draws as a spaced-out regular, while the
    // emboldened regular face reads as bold.
    const QString regular = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(regular)) QFontDatabase::addApplicationFont(regular);
}

QFont DialogFont(int pixelSize, bool bold, const char* family) {
    EnsureDialogFonts();
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QString LangText(const TLang& lang, int id) {
    return QString::fromStdU16String(lang.Text(id));
}

QIcon Glyph(const QString& name) {
    QIcon icon;
    icon.addPixmap(RenderSvg(QStringLiteral(":/icons/%1.svg").arg(name), 16));
    return icon;
}

QPixmap ProgramPicture(int size) {
    return RenderSvg(QStringLiteral(":/icons/main/faceloom.svg"), size);
}

}  // namespace faceloom
