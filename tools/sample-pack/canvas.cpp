#include "canvas.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace sample {

const TRgb kPalette[kColorCount] = {
    {255, 255, 255},  // transparent
    {72, 40, 8},      // ink
    {255, 247, 160},  // face highlight
    {255, 214, 40},   // face
    {236, 160, 16},   // face shadow
    {255, 255, 255},  // white
    {224, 36, 36},    // red
    {140, 20, 24},    // mouth inside
    {248, 120, 168},  // pink
    {255, 140, 110},  // blush
    {176, 224, 255},  // tear
    {56, 136, 232},   // blue
    {28, 56, 128},    // navy
    {32, 32, 48},     // sunglasses
    {72, 176, 56},    // green
    {32, 104, 32},    // dark green
    {160, 224, 96},   // light green
    {150, 88, 36},    // brown
    {214, 160, 90},   // tan
    {92, 52, 20},     // dark brown
    {255, 144, 32},   // orange
    {255, 176, 40},   // angry 1
    {248, 112, 36},   // angry 2
    {224, 56, 32},    // angry 3
    {144, 72, 200},   // purple
    {204, 160, 240},  // lilac
    {156, 156, 164},  // grey
    {216, 216, 226},  // silver
    {92, 92, 104},    // dark grey
    {255, 204, 0},    // gold
    {255, 250, 230},  // cream
    {244, 176, 32},   // amber
    {200, 116, 16},   // deep amber
    {228, 56, 44},    // devil
    {252, 124, 100},  // devil highlight
    {164, 28, 28},    // devil shadow
    {200, 228, 255},  // pale sky
};

namespace {

constexpr double kPi = 3.14159265358979323846;

double Square(double v) {
    return v * v;
}

double DistanceToSegment(double px, double py, double x0, double y0, double x1, double y1) {
    const double vx = x1 - x0, vy = y1 - y0;
    const double length2 = vx * vx + vy * vy;
    double t = length2 > 0 ? ((px - x0) * vx + (py - y0) * vy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(px - (x0 + t * vx), py - (y0 + t * vy));
}

// The little font: 5 x 7 dots a glyph, "#" a dot.
struct TGlyph {
    char c;
    const char* rows[7];
};
const TGlyph kGlyphs[] = {
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'?', {".###.", "#...#", "....#", "..##.", "..#..", ".....", "..#.."}},
};

const TGlyph& GlyphOf(char c) {
    for (const TGlyph& glyph : kGlyphs)
        if (glyph.c == c) return glyph;
    throw std::invalid_argument(std::string("no glyph for ") + c);
}

}  // namespace

TShape Ellipse(double cx, double cy, double rx, double ry) {
    return [=](double x, double y) { return Square((x - cx) / rx) + Square((y - cy) / ry) <= 1.0; };
}

TShape Disc(double cx, double cy, double r) {
    return Ellipse(cx, cy, r, r);
}

TShape RoundRect(double x0, double y0, double x1, double y1, double radius) {
    return [=](double x, double y) {
        const double qx = std::max({x0 + radius - x, 0.0, x - (x1 - radius)});
        const double qy = std::max({y0 + radius - y, 0.0, y - (y1 - radius)});
        return x >= x0 && x <= x1 && y >= y0 && y <= y1 && qx * qx + qy * qy <= radius * radius;
    };
}

TShape Segment(double x0, double y0, double x1, double y1, double width) {
    return [=](double x, double y) { return DistanceToSegment(x, y, x0, y0, x1, y1) <= width / 2; };
}

TShape Arc(double cx, double cy, double r, double a0, double a1, double width) {
    return [=](double x, double y) {
        if (std::abs(std::hypot(x - cx, y - cy) - r) > width / 2) return false;
        double angle = std::atan2(y - cy, x - cx) * 180 / kPi;
        while (angle < a0) angle += 360;
        while (angle >= a0 + 360) angle -= 360;
        return angle <= a1;
    };
}

TShape Polygon(std::vector<TPoint> points) {
    return [points = std::move(points)](double x, double y) {
        bool inside = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
            const TPoint& a = points[i];
            const TPoint& b = points[j];
            if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) inside = !inside;
        }
        return inside;
    };
}

TShape Heart(double cx, double cy, double size) {
    // Two round lobes over a point: keeps its notch even when small.
    const double s = size;
    return Union(
        Union(Disc(cx - 0.25 * s, cy - 0.14 * s, 0.27 * s), Disc(cx + 0.25 * s, cy - 0.14 * s, 0.27 * s)),
        Polygon({{cx - 0.5 * s, cy - 0.06 * s}, {cx + 0.5 * s, cy - 0.06 * s}, {cx, cy + 0.5 * s}}));
}

TShape Star(double cx, double cy, double outer, double inner, int points, double turn) {
    std::vector<TPoint> corners;
    for (int i = 0; i < points * 2; ++i) {
        const double r = i % 2 == 0 ? outer : inner;
        const double a = (turn - 90 + i * 180.0 / points) * kPi / 180;
        corners.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    return Polygon(std::move(corners));
}

TShape Union(TShape a, TShape b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) || b(x, y); };
}

TShape Minus(TShape a, TShape b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && !b(x, y); };
}

TShape Below(TShape a, double line) {
    return [a = std::move(a), line](double x, double y) { return y >= line && a(x, y); };
}

TShape Above(TShape a, double line) {
    return [a = std::move(a), line](double x, double y) { return y <= line && a(x, y); };
}

uint8_t TCanvas::At(int x, int y) const {
    return x >= 0 && y >= 0 && x < width_ && y < height_ ? pixels_[size_t(y) * width_ + x] : uint8_t(kClear);
}

void TCanvas::Set(int x, int y, uint8_t color) {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[size_t(y) * width_ + x] = color;
}

void TCanvas::Transform(double dx, double dy, double degrees, double cx, double cy) {
    dx_ = dx;
    dy_ = dy;
    cos_ = std::cos(degrees * kPi / 180);
    sin_ = std::sin(degrees * kPi / 180);
    cx_ = cx;
    cy_ = cy;
}

TPoint TCanvas::ToDrawing(int x, int y) const {
    // Undo the shift, then the turn about (cx, cy).
    const double px = x + 0.5 - dx_ - cx_;
    const double py = y + 0.5 - dy_ - cy_;
    return {cx_ + px * cos_ + py * sin_, cy_ - px * sin_ + py * cos_};
}

void TCanvas::Paint(const TShape& shape, uint8_t fill, uint8_t ink) {
    PaintToned(
        shape, [fill](double, double) { return fill; }, ink);
}

void TCanvas::PaintToned(const TShape& shape, const std::function<uint8_t(double, double)>& tone,
                         uint8_t ink) {
    std::vector<uint8_t> mask(pixels_.size(), 0);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const TPoint p = ToDrawing(x, y);
            mask[size_t(y) * width_ + x] = shape(p.x, p.y) ? 1 : 0;
        }
    auto inside = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) {
            // Beyond the canvas edge: the shape goes on where it would.
            const TPoint p = ToDrawing(x, y);
            return shape(p.x, p.y);
        }
        return mask[size_t(y) * width_ + x] != 0;
    };
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            if (!mask[size_t(y) * width_ + x]) continue;
            const bool edge =
                !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            if (ink != kClear && edge) {
                Set(x, y, ink);
            } else {
                const TPoint p = ToDrawing(x, y);
                Set(x, y, tone(p.x, p.y));
            }
        }
}

void TCanvas::PaintLit(const TShape& shape, uint8_t ink, uint8_t light, uint8_t base, uint8_t shade,
                       TPoint lightAt, double lightRadius, TPoint shadeFrom, double shadeRadius) {
    PaintToned(
        shape,
        [=](double x, double y) {
            if (std::hypot(x - lightAt.x, y - lightAt.y) < lightRadius) return light;
            if (std::hypot(x - shadeFrom.x, y - shadeFrom.y) > shadeRadius) return shade;
            return base;
        },
        ink);
}

int TCanvas::Text(int x, int y, std::string_view text, uint8_t color, int scale) {
    int pen = x;
    for (char c : text) {
        if (c == ' ') {
            pen += 3 * scale;
            continue;
        }
        const TGlyph& glyph = GlyphOf(c);
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (glyph.rows[row][col] == '#')
                    for (int sy = 0; sy < scale; ++sy)
                        for (int sx = 0; sx < scale; ++sx)
                            Set(pen + col * scale + sx, y + row * scale + sy, color);
        pen += 6 * scale;
    }
    return pen - x - (text.empty() ? 0 : scale);
}

int TCanvas::TextWidth(std::string_view text, int scale) {
    int width = 0;
    for (char c : text) width += (c == ' ' ? 3 : 6) * scale;
    return text.empty() ? 0 : width - scale;
}

}  // namespace sample
