#include "app/main_window/icon_loader.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <array>

// The artwork is compiled into the static app library; its registration must be pulled in
// explicitly, from outside any namespace.
static void InitMainIcons() {
    Q_INIT_RESOURCE(main_icons);
}

namespace faceloom {

namespace {

constexpr std::array<const char*, kToolbarImageCount> kToolbarImages = {
    "new_pack",      "open_pack",       "save_pack",  "save_pack_as", "close_pack",
    "static_smiles", "animated_smiles", "both_packs", "options",      "about"};

// TntBitBtn1 .. TntBitBtn16.
constexpr std::array<const char*, 16> kButtonGlyphs = {
    "exit",         "add_smile",        "move_up",        "replace_picture",
    "move_left",    "preview",          "move_right",     "delete_smile",
    "move_down",    "delete_picture",   "add_signature",  "edit_signature",
    "signature_up", "delete_signature", "find_signature", "signature_down"};

void EnsureResources() {
    static const bool done = (InitMainIcons(), true);
    (void)done;
}

// Applies f to the colour of every pixel, keeping its alpha.
template <typename F>
QImage MapColors(const QImage& source, F f) {
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = f(line[x]);
    }
    image.setDevicePixelRatio(source.devicePixelRatio());
    return image;
}

}  // namespace

QString ToolbarImageName(int index) {
    if (index < 0 || index >= kToolbarImageCount) return {};
    return QString::fromLatin1(kToolbarImages[index]);
}

QString ButtonGlyphName(int number) {
    if (number < 1 || number > static_cast<int>(kButtonGlyphs.size())) return {};
    return QString::fromLatin1(kButtonGlyphs[number - 1]);
}

QImage RenderSvg(const QString& path, int size, qreal devicePixelRatio) {
    EnsureResources();
    QSvgRenderer renderer(path);
    if (!renderer.isValid() || size <= 0) return {};
    const int pixels = qRound(size * devicePixelRatio);
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

QImage DisabledImage(const QImage& normal) {
    return MapColors(normal, [](QRgb c) {
        // Grey by luminance, pulled toward a light grey so it reads as inactive on any face.
        const int gray = (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
        const int v = 72 + gray / 2;
        return qRgba(v, v, v, qAlpha(c) * 3 / 4);
    });
}

QImage HotImage(const QImage& normal) {
    return MapColors(normal, [](QRgb c) {
        const auto lift = [](int v) { return v + (255 - v) / 5; };
        return qRgba(lift(qRed(c)), lift(qGreen(c)), lift(qBlue(c)), qAlpha(c));
    });
}

QIcon SvgIcon(const QString& path, int size) {
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    const QImage normal = RenderSvg(path, size, ratio);
    if (normal.isNull()) return {};
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(DisabledImage(normal)), QIcon::Disabled);
    icon.addPixmap(QPixmap::fromImage(HotImage(normal)), QIcon::Active);
    return icon;
}

QIcon LoadIcon(const QString& name, int size) {
    if (name.isEmpty()) return {};
    return SvgIcon(QStringLiteral(":/icons/main/%1.svg").arg(name), size);
}

}  // namespace faceloom
