#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace faceloom {

// The main window's artwork lives as SVG drawings under ":/icons/main/". No SVG icon engine is
// installed everywhere, so icons are rendered to pixmaps here, one per state. Icons need the
// application object (pixmaps); RenderSvg works without it.

inline constexpr int kToolbarImageSize = 32;
inline constexpr int kButtonGlyphSize = 16;
inline constexpr int kToolbarImageCount = 10;

// Image i of the toolbar (0 new pack, 1 open, 2 save, 3 save as, 4 close, 5 static smiles,
// 6 animated smiles, 7 both packs, 8 options, 9 about); empty outside that range.
QString ToolbarImageName(int index);
// The glyph of button TntBitBtn<number>, number 1 to 16; empty outside that range.
QString ButtonGlyphName(int number);

// The drawing ":/icons/main/<name>.svg" as an icon of size x size with Normal, Disabled and
// Active (hot) pixmaps. An unknown name gives a null icon.
QIcon LoadIcon(const QString& name, int size);
// The same for any SVG file or resource path.
QIcon SvgIcon(const QString& path, int size);
// The drawing rendered at size x size device-independent pixels, scaled for the screen;
// a null image when the file is missing or not a drawing.
QImage RenderSvg(const QString& path, int size, qreal devicePixelRatio = 1.0);

// The derived states: disabled is grey and faded, hot is brighter; both keep the outline
// (alpha) of the normal image.
QImage DisabledImage(const QImage& normal);
QImage HotImage(const QImage& normal);

}  // namespace faceloom
