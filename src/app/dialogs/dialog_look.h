#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace faceloom {

class TLang;

// The shared look of the dialogs: fonts by name and pixel size, the language's texts as
// QString, and our own glyphs drawn from the SVG files under resources/icons.

inline constexpr const char* kDialogFontFamily = "Tahoma";
inline constexpr const char* kSerifFontFamily = "Times New Roman";
// The dialogs' base text size.
inline constexpr int kDialogFontPixels = 11;
// Maroon and the link blue of the dialogs.
inline const QColor kMaroon{0x80, 0x00, 0x00};
inline const QColor kLinkBlue{0x00, 0x00, 0xFF};

// Makes the named fonts available where the system lacks them but ships a copy outside the
// font path (Wine's Tahoma on Debian); otherwise the platform substitutes. Safe to call often.
void EnsureDialogFonts();

QFont DialogFont(int pixelSize, bool bold = false, const char* family = kDialogFontFamily);

// The text of an id in the language, with fallback to the built-in text.
QString LangText(const TLang& lang, int id);

// Glyph names: "ok", "cancel", "no", "help", "play", "pause", "next", "previous".
QIcon Glyph(const QString& name);
// The program's picture, drawn at the given size (device pixels follow the screen).
QPixmap ProgramPicture(int size);

}  // namespace faceloom
