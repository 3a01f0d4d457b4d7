#pragma once

#include <QColor>
#include <cstdint>

namespace faceloom {

// Colours as the settings and the grid keep them: 0x00BBGGRR (red in the low byte), or
// 0xFF0000nn for system colour nn, resolved through the application palette when drawn and
// stored unchanged.
inline constexpr uint32_t kSystemColorFlag = 0xFF000000u;

// The colour to draw with; a system colour becomes its palette role's colour now.
QColor WinColorToQColor(uint32_t color);
// 0x00BBGGRR of an explicit colour (never a system colour).
uint32_t QColorToWinColor(const QColor& color);

}  // namespace faceloom
