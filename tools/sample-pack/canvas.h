#pragma once

// A palette-indexed drawing surface for the sample smiles. Shapes are tests on a point (the
// centre of a pixel, in drawing coordinates); a pixel is painted when its centre lies inside.
// A transform (rotation about a point, then a shift) moves everything drawn after it, so one
// drawing function serves the frames of a bounce, a shake or a sway.
#include <cmath>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

namespace sample {

// Palette indexes shared by every smile; 0 is the transparent colour of every frame.
enum TColor : uint8_t {
    kClear = 0,
    kInk,    // outlines, eyes
    kLight,  // face highlight
    kFace,   // face
    kShade,  // face shadow
    kWhite,
    kRed,
    kDarkRed,  // mouth inside
    kPink,
    kBlush,
    kTear,  // light blue
    kBlue,
    kNavy,
    kGlass,  // sunglasses
    kGreen,
    kDarkGreen,
    kLeaf,  // light green
    kBrown,
    kTan,
    kDarkBrown,
    kOrange,
    kAngry1,  // the angry face reddening, light to dark
    kAngry2,
    kAngry3,
    kPurple,
    kLilac,
    kGrey,
    kSilver,
    kDarkGrey,
    kGold,
    kCream,  // beer foam, cake cream
    kAmber,  // beer
    kDeepAmber,
    kDevil,  // devil face, light to dark
    kDevilLight,
    kDevilShade,
    kSky,  // pale blue of clouds
    kColorCount
};

struct TRgb {
    uint8_t r, g, b;
};
extern const TRgb kPalette[kColorCount];

// A point in drawing coordinates.
struct TPoint {
    double x = 0;
    double y = 0;
};

using TShape = std::function<bool(double x, double y)>;

// Shapes; all sizes in pixels, angles in degrees.
TShape Ellipse(double cx, double cy, double rx, double ry);
TShape Disc(double cx, double cy, double r);
// A rectangle with rounded corners of `radius`, corners inclusive.
TShape RoundRect(double x0, double y0, double x1, double y1, double radius);
// A thick segment with round ends.
TShape Segment(double x0, double y0, double x1, double y1, double width);
// The part of a circle's ring from angle a0 to a1 (0 = right, 90 = down, clockwise).
TShape Arc(double cx, double cy, double r, double a0, double a1, double width);
TShape Polygon(std::vector<TPoint> points);
// A heart of `size` pixels across, its middle at (cx, cy).
TShape Heart(double cx, double cy, double size);
// An n-pointed star; `turn` rotates it.
TShape Star(double cx, double cy, double outer, double inner, int points, double turn);
TShape Union(TShape a, TShape b);
TShape Minus(TShape a, TShape b);
TShape Below(TShape a, double y);  // the part of a under the line y
TShape Above(TShape a, double y);

class TCanvas {
public:
    TCanvas(int width, int height)
        : width_(width), height_(height), pixels_(size_t(width) * height, kClear) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    uint8_t At(int x, int y) const;
    void Set(int x, int y, uint8_t color);
    const std::vector<uint8_t>& Pixels() const { return pixels_; }

    // Later drawing is turned by `degrees` about (cx, cy) and then shifted by (dx, dy).
    void Transform(double dx, double dy, double degrees = 0, double cx = 0, double cy = 0);
    void ResetTransform() { Transform(0, 0); }

    // Paints the shape with `fill`; with an `ink`, the shape's own edge pixels (those with a
    // side neighbour outside it) become an outline of that colour.
    void Paint(const TShape& shape, uint8_t fill, uint8_t ink = kClear);
    // As Paint, the inside coloured point by point.
    void PaintToned(const TShape& shape, const std::function<uint8_t(double, double)>& tone, uint8_t ink);
    // A shape lit from the upper left: `light` near (lx, ly) within lightRadius, `shade` beyond
    // shadeRadius from (sx, sy), `base` between; outlined with `ink`.
    void PaintLit(const TShape& shape, uint8_t ink, uint8_t light, uint8_t base, uint8_t shade,
                  TPoint lightAt, double lightRadius, TPoint shadeFrom, double shadeRadius);
    // Text in the little built-in font (the letters L, O, K and "?"), `scale` pixels per dot,
    // top-left at (x, y) in pixels, not transformed. Returns the width drawn.
    int Text(int x, int y, std::string_view text, uint8_t color, int scale = 1);
    static int TextWidth(std::string_view text, int scale = 1);

private:
    TPoint ToDrawing(int x, int y) const;

    int width_;
    int height_;
    std::vector<uint8_t> pixels_;
    double dx_ = 0, dy_ = 0, cos_ = 1, sin_ = 0, cx_ = 0, cy_ = 0;
};

}  // namespace sample
