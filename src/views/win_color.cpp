#include "views/win_color.h"

#include <QApplication>
#include <QPalette>

namespace faceloom {

namespace {

// The Windows system colour numbers mapped to the nearest palette role; numbers without a
// counterpart fall back to the window text colour's neighbours by meaning.
QPalette::ColorRole SystemColorRole(uint32_t index) {
    switch (index) {
        case 4:   // menu
        case 15:  // button face
        case 22:  // 3D light
            return QPalette::Button;
        case 5:  // window
            return QPalette::Base;
        case 6:   // window frame
        case 16:  // button shadow
            return QPalette::Mid;
        case 13:  // highlight
            return QPalette::Highlight;
        case 14:  // highlight text
            return QPalette::HighlightedText;
        case 18:  // button text
            return QPalette::ButtonText;
        case 20:  // button highlight
            return QPalette::Light;
        case 21:  // 3D dark shadow
            return QPalette::Shadow;
        case 23:  // tooltip text
            return QPalette::ToolTipText;
        case 24:  // tooltip background
            return QPalette::ToolTipBase;
        case 26:  // hot-tracked item
            return QPalette::Link;
        case 1:   // desktop
        case 12:  // application workspace
            return QPalette::Dark;
        case 17:  // grey text
            return QPalette::PlaceholderText;
        default:  // 7 menu text, 8 window text, 9 caption text and the rest
            return QPalette::Text;
    }
}

}  // namespace

QColor WinColorToQColor(uint32_t color) {
    if ((color & 0xFF000000u) == kSystemColorFlag) {
        const QPalette palette = QApplication::palette();
        if (color == 0xFF000000u + 17) {
            return palette.color(QPalette::Disabled, QPalette::Text);
        }
        return palette.color(QPalette::Active, SystemColorRole(color & 0xFFu));
    }
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

uint32_t QColorToWinColor(const QColor& color) {
    return uint32_t(color.red()) | (uint32_t(color.green()) << 8) | (uint32_t(color.blue()) << 16);
}

}  // namespace faceloom
