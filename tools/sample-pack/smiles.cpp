#include "smiles.h"

#include <algorithm>
#include <cmath>

namespace sample {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct TSkin {
    uint8_t ink, light, base, shade;
};
constexpr TSkin kYellow{kInk, kLight, kFace, kShade};

// A round face: centre and radius; features are placed in parts of the radius so that one
// drawing serves every size.
struct TFace {
    double cx, cy, r;
    // side -1 is the left eye, +1 the right one.
    TPoint Eye(int side) const { return {cx + side * 0.36 * r, cy - 0.18 * r}; }
    double Line() const { return r < 11 ? 1.15 : r < 15 ? 1.5 : 2.0; }
};

void Head(TCanvas& c, const TFace& f, TSkin s = kYellow) {
    c.PaintLit(Disc(f.cx, f.cy, f.r), s.ink, s.light, s.base, s.shade, {f.cx - 0.4 * f.r, f.cy - 0.45 * f.r},
               0.3 * f.r, {f.cx - 0.2 * f.r, f.cy - 0.25 * f.r}, 0.93 * f.r);
}

void EyeOpen(TCanvas& c, const TFace& f, int side, double lookX = 0, double lookY = 0) {
    TPoint e = f.Eye(side);
    e.x += lookX * 0.08 * f.r;
    e.y += lookY * 0.08 * f.r;
    const double rx = 0.09 * f.r + 0.45, ry = 0.17 * f.r + 0.45;
    c.Paint(Ellipse(e.x, e.y, rx, ry), kInk);
    if (f.r >= 11) c.Paint(Disc(e.x - rx * 0.25, e.y - ry * 0.4, std::max(0.6, rx * 0.4)), kWhite);
}
void EyesOpen(TCanvas& c, const TFace& f, double lookX = 0, double lookY = 0) {
    EyeOpen(c, f, -1, lookX, lookY);
    EyeOpen(c, f, 1, lookX, lookY);
}

// Closed in a smile: an arch.
void EyeHappy(TCanvas& c, const TFace& f, int side) {
    const TPoint e = f.Eye(side);
    c.Paint(Arc(e.x, e.y + 0.14 * f.r, 0.15 * f.r + 0.6, 195, 345, f.Line()), kInk);
}
void EyesHappy(TCanvas& c, const TFace& f) {
    EyeHappy(c, f, -1);
    EyeHappy(c, f, 1);
}

// Closed at rest: a hanging curve.
void EyeShut(TCanvas& c, const TFace& f, int side) {
    const TPoint e = f.Eye(side);
    c.Paint(Arc(e.x, e.y - 0.12 * f.r, 0.15 * f.r + 0.6, 25, 155, f.Line()), kInk);
}
void EyesShut(TCanvas& c, const TFace& f) {
    EyeShut(c, f, -1);
    EyeShut(c, f, 1);
}

// Wide open: white with a pupil.
void EyeWide(TCanvas& c, const TFace& f, int side, double lookX = 0, double lookY = 0) {
    const TPoint e = f.Eye(side);
    const double rx = 0.15 * f.r + 0.6, ry = 0.21 * f.r + 0.7;
    c.Paint(Ellipse(e.x, e.y - 0.05 * f.r, rx, ry), kWhite, kInk);
    c.Paint(Disc(e.x + lookX * rx * 0.35, e.y + lookY * ry * 0.35, 0.07 * f.r + 0.5), kInk);
}

// tilt > 0 lowers the inner end (angry), < 0 raises it (sad, worried).
void Brow(TCanvas& c, const TFace& f, int side, double tilt, double lift = 0) {
    const TPoint e = f.Eye(side);
    const double y = e.y - (0.44 + lift) * f.r;
    c.Paint(Segment(e.x + side * 0.17 * f.r, y - tilt * 0.1 * f.r, e.x - side * 0.17 * f.r,
                    y + tilt * 0.1 * f.r, f.Line()),
            kInk);
}
void Brows(TCanvas& c, const TFace& f, double tilt, double lift = 0) {
    Brow(c, f, -1, tilt, lift);
    Brow(c, f, 1, tilt, lift);
}

void MouthSmile(TCanvas& c, const TFace& f, double wide = 0) {
    c.Paint(
        Arc(f.cx, f.cy - 0.05 * f.r, (0.55 + wide * 0.08) * f.r, 35 - wide * 10, 145 + wide * 10, f.Line()),
        kInk);
}
// A smile pulled to one side.
void MouthSmirk(TCanvas& c, const TFace& f) {
    c.Paint(Arc(f.cx + 0.15 * f.r, f.cy - 0.1 * f.r, 0.5 * f.r, 30, 110, f.Line()), kInk);
    c.Paint(Segment(f.cx - 0.3 * f.r, f.cy + 0.4 * f.r, f.cx + 0.05 * f.r, f.cy + 0.4 * f.r, f.Line()), kInk);
}
void MouthFrown(TCanvas& c, const TFace& f) {
    c.Paint(Arc(f.cx, f.cy + 0.95 * f.r, 0.48 * f.r, 225, 315, f.Line()), kInk);
}
void MouthFlat(TCanvas& c, const TFace& f, double width = 0.3) {
    const double y = f.cy + 0.45 * f.r;
    c.Paint(Segment(f.cx - width * f.r, y, f.cx + width * f.r, y, f.Line()), kInk);
}
void MouthWavy(TCanvas& c, const TFace& f, double phase = 0) {
    const double y = f.cy + 0.45 * f.r;
    const int steps = 12;
    for (int i = 0; i < steps; ++i) {
        const double x0 = f.cx - 0.4 * f.r + 0.8 * f.r * i / steps;
        const double x1 = f.cx - 0.4 * f.r + 0.8 * f.r * (i + 1) / steps;
        const double y0 = y + 0.07 * f.r * std::sin(i * kPi / 3 + phase);
        const double y1 = y + 0.07 * f.r * std::sin((i + 1) * kPi / 3 + phase);
        c.Paint(Segment(x0, y0, x1, y1, f.Line()), kInk);
    }
}
// An open laughing mouth, 0 a narrow one to 1 a wide open one.
void MouthGrin(TCanvas& c, const TFace& f, double open = 1) {
    const double top = f.cy + 0.12 * f.r;
    const double rx = 0.58 * f.r, ry = (0.3 + 0.3 * open) * f.r + 0.5;
    c.Paint(Below(Ellipse(f.cx, top, rx, ry), top), kDarkRed, kInk);
    const TShape inner = Below(Ellipse(f.cx, top, rx - 1, ry - 1), top + 1);
    const double teeth = top + 1 + std::max(1.0, 0.13 * f.r);
    c.Paint(Above(inner, teeth), kWhite);
    if (ry > 4)
        c.Paint([&](double x,
                    double y) { return inner(x, y) && Disc(f.cx + 0.1 * f.r, top + ry, 0.32 * f.r)(x, y); },
                kRed);
}
void MouthO(TCanvas& c, const TFace& f, double size = 1, double dx = 0) {
    c.Paint(Ellipse(f.cx + dx, f.cy + 0.45 * f.r, (0.12 + 0.06 * size) * f.r + 0.6,
                    (0.14 + 0.09 * size) * f.r + 0.6),
            kDarkRed, kInk);
}
void Cheeks(TCanvas& c, const TFace& f, uint8_t color) {
    for (int side : {-1, 1})
        c.Paint(Ellipse(f.cx + side * 0.58 * f.r, f.cy + 0.18 * f.r, 0.14 * f.r + 0.5, 0.07 * f.r + 0.5),
                color);
}
void Tear(TCanvas& c, double x, double y, double size) {
    c.Paint(Union(Disc(x, y + size * 0.3, size * 0.55), Polygon({{x, y - size * 0.7},
                                                                 {x - size * 0.5, y + size * 0.2},
                                                                 {x + size * 0.5, y + size * 0.2}})),
            kTear, kBlue);
}
// A little heart with a light spot.
void LitHeart(TCanvas& c, double cx, double cy, double size, uint8_t base = kRed) {
    c.PaintLit(Heart(cx, cy, size), kDarkRed, kPink, base, kDarkRed, {cx - size * 0.22, cy - size * 0.18},
               size * 0.16, {cx - size * 0.1, cy - size * 0.2}, size * 0.62);
}
// A mitten of a hand, fingers up before it is turned.
TShape Mitten(double wx, double wy, double s) {
    return Union(Ellipse(wx, wy - 4.2 * s, 3.2 * s, 4.4 * s),
                 Segment(wx - 3.0 * s, wy - 3.0 * s, wx - 4.8 * s, wy - 5.6 * s, 2.6 * s));
}
void Hand(TCanvas& c, double wx, double wy, double s, double degrees) {
    c.Transform(0, 0, degrees, wx, wy);
    c.Paint(Mitten(wx, wy, s), kFace, kInk);
    c.Paint(Segment(wx - 0.3 * s, wy - 8.2 * s, wx - 0.3 * s, wy - 6.2 * s, 1.0), kShade);
    c.Paint(Segment(wx + 1.4 * s, wy - 7.8 * s, wx + 1.4 * s, wy - 5.9 * s, 1.0), kShade);
    c.ResetTransform();
}

TFrame Frame(const TCanvas& canvas, int delayMs) {
    return TFrame{canvas, delayMs, {}};
}

// --- faces -------------------------------------------------------------------------------

TSmileArt SmileArt() {
    TSmileArt art{"01-smile.gif", {":-)", ":)", "улыбка", "smile"}, {}, true};
    const TFace f{9.5, 9.5, 9.3};
    TCanvas open(19, 19), shut(19, 19);
    for (TCanvas* c : {&open, &shut}) {
        Head(*c, f);
        MouthSmile(*c, f);
    }
    EyesOpen(open, f);
    EyesShut(shut, f);
    art.frames = {Frame(open, 2600), Frame(shut, 100), Frame(open, 150), Frame(shut, 100)};
    return art;
}

TSmileArt WinkArt() {
    TSmileArt art{"02-wink.gif", {";-)", ";)", "подмигиваю", "wink"}, {}, true};
    const TFace f{9.5, 9.5, 9.3};
    TCanvas open(19, 19), wink(19, 19);
    for (TCanvas* c : {&open, &wink}) {
        Head(*c, f);
        EyeOpen(*c, f, -1);
    }
    EyeOpen(open, f, 1);
    MouthSmile(open, f);
    EyeHappy(wink, f, 1);
    Brow(wink, f, 1, -0.5);
    MouthSmirk(wink, f);
    art.frames = {Frame(open, 1400), Frame(wink, 700)};
    return art;
}

TSmileArt LaughArt() {
    TSmileArt art{"03-laugh.gif", {":-D", ":D", "смеюсь", "laugh"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(24, 24);
        const double lift = i % 2 == 0 ? 0 : -2;
        const TFace f{12, 13 + lift, 10.4};
        Head(c, f);
        EyesHappy(c, f);
        MouthGrin(c, f, i % 2 == 0 ? 1 : 0.6);
        art.frames.push_back(Frame(c, i == 3 ? 500 : 110));
    }
    return art;
}

TSmileArt SadArt() {
    TSmileArt art{"04-sad.gif", {":-(", ":(", "грущу", "sad"}, {}, true};
    const TFace f{9.5, 9.5, 9.3};
    TCanvas down(19, 19), shut(19, 19);
    for (TCanvas* c : {&down, &shut}) {
        Head(*c, f);
        MouthFrown(*c, f);
        Brows(*c, f, -0.9);
    }
    EyesOpen(down, f, 0, 0.6);
    EyesShut(shut, f);
    art.frames = {Frame(down, 2200), Frame(shut, 500)};
    return art;
}

TSmileArt CryArt() {
    TSmileArt art{"05-cry.gif", {":'(", ":'-(", "плачу", "cry"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(24, 28);
        const TFace f{12, 11, 10.4};
        Head(c, f);
        EyesShut(c, f);
        Brows(c, f, -1);
        c.Paint(Below(Ellipse(f.cx, f.cy + 0.62 * f.r, 0.3 * f.r, 0.22 * f.r), f.cy + 0.55 * f.r), kDarkRed,
                kInk);
        c.Paint(Segment(f.cx - 0.3 * f.r, f.cy + 0.62 * f.r, f.cx + 0.3 * f.r, f.cy + 0.62 * f.r, 1.2), kInk);
        // Streams run down the cheeks; drops fall from the chin in turn.
        for (int side : {-1, 1}) {
            const TPoint e = f.Eye(side);
            const double x = e.x + side * 1.2;
            c.Paint(Segment(x, e.y + 1.5, x + side * 0.6, 20, 1.8), kTear);
            const int phase = (i + (side > 0 ? 2 : 0)) % 4;
            Tear(c, x + side * 0.6, 21.5 + phase * 1.6, 2.6);
        }
        art.frames.push_back(Frame(c, 130));
    }
    return art;
}

TSmileArt AngryArt() {
    TSmileArt art{"06-angry.gif", {">:(", ">:-(", "злюсь", "angry"}, {}};
    const TSkin skins[] = {kYellow,
                           {kInk, kLight, kAngry1, kShade},
                           {kInk, kAngry1, kAngry2, kAngry3},
                           {kDarkRed, kAngry2, kAngry3, kDarkRed},
                           {kDarkRed, kAngry2, kAngry3, kDarkRed}};
    for (int i = 0; i < 5; ++i) {
        TCanvas c(24, 24);
        const double shake = i == 3 ? -1 : i == 4 ? 1 : 0;
        const TFace f{12 + shake, 13, 10.4};
        Head(c, f, skins[i]);
        EyesOpen(c, f);
        Brows(c, f, 1.2, -0.05);
        MouthFrown(c, f);
        art.frames.push_back(Frame(c, i == 0 ? 900 : i < 3 ? 200 : 120));
    }
    // Shake a few times before calming down.
    art.frames.push_back(art.frames[3]);
    art.frames.push_back(art.frames[4]);
    art.frames.back().delayMs = 700;
    return art;
}

TSmileArt SurprisedArt() {
    TSmileArt art{"07-surprised.gif", {":-O", "=-O", "удивлён", "surprised"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(22, 22);
        const TFace f{11, 11, 10.4};
        const double grow = i == 3 ? 1 : i;  // the last frame closes half way again
        Head(c, f);
        if (i == 0) {
            EyesOpen(c, f);
        } else {
            EyeWide(c, f, -1);
            EyeWide(c, f, 1);
        }
        Brows(c, f, -0.3, 0.05 + 0.06 * grow);
        MouthO(c, f, 0.4 + 0.6 * grow);
        art.frames.push_back(Frame(c, i == 0 ? 1200 : i == 1 ? 120 : i == 2 ? 1500 : 200));
    }
    return art;
}

TSmileArt TongueArt() {
    TSmileArt art{"08-tongue.gif", {":-P", ":P", "дразню", "tongue"}, {}};
    for (int i = 0; i < 5; ++i) {
        TCanvas c(20, 20);
        const TFace f{10, 10, 9.6};
        Head(c, f);
        if (i == 0) {
            EyesOpen(c, f);
        } else {
            EyeHappy(c, f, -1);
            EyeOpen(c, f, 1);
        }
        const double y = f.cy + 0.4 * f.r;
        if (i > 0) {
            const double tx = f.cx + (i % 2 == 0 ? -0.8 : 0.8);
            c.Paint(Below(Ellipse(tx, y, 2.6, 4.4), y), kRed, kDarkRed);
            c.Paint(Segment(tx, y + 0.5, tx, y + 2.4, 1), kDarkRed);
        }
        c.Paint(Segment(f.cx - 0.38 * f.r, y, f.cx + 0.38 * f.r, y, f.Line()), kInk);
        art.frames.push_back(Frame(c, i == 0 ? 1200 : 160));
    }
    return art;
}

TSmileArt CoolArt() {
    TSmileArt art{"09-cool.gif", {"B-)", "8-)", "круто", "cool"}, {}};
    // Glasses on, a glint runs across them; lifted to the forehead and put back.
    const double drops[] = {0, 0, 0, 0, -2, -4, -6, -4, -2};
    const int delays[] = {1800, 100, 100, 100, 120, 120, 500, 120, 120};
    for (int i = 0; i < 9; ++i) {
        TCanvas c(24, 24);
        const TFace f{12, 12.5, 10.8};
        Head(c, f);
        EyesOpen(c, f);
        MouthSmirk(c, f);
        const double y = f.Eye(1).y + drops[i];
        c.Paint(Segment(f.cx - 0.95 * f.r, y - 1.5, f.cx + 0.95 * f.r, y - 1.5, 1.2), kInk);
        for (int side : {-1, 1}) {
            const double ex = f.Eye(side).x;
            c.Paint(RoundRect(ex - 3.6, y - 2, ex + 3.6, y + 2.6, 1.5), kGlass, kInk);
        }
        if (i >= 1 && i <= 3) {
            const double gx = f.Eye(-1).x - 2 + (i - 1) * 2.5;
            c.Paint(Segment(gx, y + 1, gx + 1.5, y - 1, 1.0), kWhite);
            c.Paint(Segment(gx + 7.8, y + 1, gx + 9.3, y - 1, 1.0), kWhite);
        }
        art.frames.push_back(Frame(c, delays[i]));
    }
    return art;
}

TSmileArt LoveArt() {
    TSmileArt art{"10-love.gif", {"*_*", "влюблён", "in love"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(28, 24);
        const TFace f{11, 13, 10.4};
        Head(c, f);
        for (int side : {-1, 1}) {
            const TPoint e = f.Eye(side);
            LitHeart(c, e.x, e.y, i % 2 == 0 ? 5.6 : 6.6);
        }
        MouthSmile(c, f, 1);
        // A small heart rises at the side.
        const double y = 10 - i * 2;
        LitHeart(c, 23.5, y, 6.5 + (i % 2) * 0.8, kPink);
        art.frames.push_back(Frame(c, 220));
    }
    return art;
}

TSmileArt KissArt() {
    TSmileArt art{"11-kiss.gif", {":-*", ":*", "целую", "kiss"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(26, 22);
        const TFace f{11, 11, 10.4};
        Head(c, f);
        EyesHappy(c, f);
        Cheeks(c, f, kBlush);
        // Puckered lips, then a heart flies off to the right.
        const double mx = f.cx + 1.5, my = f.cy + 0.45 * f.r;
        c.Paint(Ellipse(mx, my, i == 1 ? 2.2 : 1.8, i == 1 ? 2.0 : 2.6), kRed, kDarkRed);
        c.Paint(Segment(mx - 0.8, my, mx + 0.8, my, 1), kDarkRed);
        if (i >= 1) LitHeart(c, 16 + i * 2.4, 11 - i * 2, 3.8 + i * 0.8);
        art.frames.push_back(Frame(c, i == 0 ? 1000 : 180));
    }
    return art;
}

void SmallZ(TCanvas& c, int x, int y, int size, uint8_t color) {
    c.Paint(Segment(x, y, x + size, y, 1), color);
    c.Paint(Segment(x + size, y, x, y + size, 1), color);
    c.Paint(Segment(x, y + size, x + size, y + size, 1), color);
}

TSmileArt SleepyArt() {
    TSmileArt art{"12-sleepy.gif", {"|-)", "сплю", "sleepy"}, {}};
    for (int i = 0; i < 3; ++i) {
        TCanvas c(26, 24);
        const TFace f{10.2, 13.6, 9.8};
        c.Transform(0, 0, -10, f.cx, f.cy);
        Head(c, f);
        EyesShut(c, f);
        MouthO(c, f, i == 1 ? 0.1 : 0);
        c.ResetTransform();
        // "z" letters float up, the oldest fading out.
        const int z[3][3] = {{19, 9, 2}, {21, 5, 3}, {22, 0, 3}};
        for (int k = 0; k < 3; ++k) {
            const int step = (k + i) % 3;
            if (step == 2 && i != 2) continue;
            SmallZ(c, z[step][0], z[step][1], z[step][2], step == 0 ? kBlue : kNavy);
        }
        art.frames.push_back(Frame(c, 500));
    }
    return art;
}

TSmileArt ConfusedArt() {
    TSmileArt art{"13-confused.gif", {":-/", ":-\\", "не понял", "confused"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(24, 24);
        const TFace f{11, 13.5, 10};
        Head(c, f);
        const double look = i < 2 ? -1 : 1;
        EyeOpen(c, f, -1, look);
        EyeOpen(c, f, 1, look);
        Brow(c, f, -1, -0.4, 0.1);
        Brow(c, f, 1, 0.4);
        MouthWavy(c, f, i * 0.5);
        if (i % 2 == 0) c.Text(18, i == 0 ? 0 : 1, "?", kBlue);
        art.frames.push_back(Frame(c, 450));
    }
    return art;
}

TSmileArt DevilArt() {
    TSmileArt art{"14-devil.gif", {"]:->", "чертёнок", "devil"}, {}};
    const TSkin skin{kDarkRed, kDevilLight, kDevil, kDevilShade};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(26, 26);
        const double lift = i == 2 ? -1 : 0;
        const TFace f{13, 14.5 + lift, 10.8};
        for (int side : {-1, 1}) {  // horns behind the head
            const double x = f.cx + side * 6.5;
            c.Paint(Polygon({{x - 3, f.cy - 6}, {x + 3, f.cy - 6}, {x + side * 3.5, f.cy - 14.5}}),
                    kDevilShade, kDarkRed);
        }
        Head(c, f, skin);
        Brows(c, f, 1.3, -0.02);
        for (int side : {-1, 1}) {
            const TPoint e = f.Eye(side);
            c.Paint(Ellipse(e.x, e.y + 0.5, 1.9, 1.9), i == 1 ? kGold : kWhite, kInk);
            c.Paint(Disc(e.x - side * 0.6, e.y + 0.5, 0.8), kInk);
        }
        MouthGrin(c, f, i == 0 ? 0.3 : 0.7);
        art.frames.push_back(Frame(c, i == 0 ? 1500 : 150));
    }
    return art;
}

TSmileArt AngelArt() {
    TSmileArt art{"15-angel.gif", {"O:-)", "ангел", "angel"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(30, 28);
        const TFace f{15, 17, 10.4};
        // Wings behind, flapping.
        const double flap = i % 2 == 0 ? 0 : 14;
        for (int side : {-1, 1}) {
            c.Transform(0, 0, side * (-20 - flap), f.cx + side * 8, f.cy - 1);
            c.Paint(Union(Ellipse(f.cx + side * 10.5, f.cy - 3, 4, 6),
                          Ellipse(f.cx + side * 12.5, f.cy - 5, 2.4, 5)),
                    kWhite, kGrey);
            c.ResetTransform();
        }
        Head(c, f);
        EyesHappy(c, f);
        MouthSmile(c, f);
        Cheeks(c, f, kBlush);
        const double hy = i == 1 || i == 2 ? 3.5 : 2.5;  // the halo floats
        c.Paint(Minus(Ellipse(f.cx, hy, 7, 2.6), Ellipse(f.cx, hy, 4.4, 1.1)), kGold, kDeepAmber);
        art.frames.push_back(Frame(c, 200));
    }
    return art;
}

TSmileArt BlushArt() {
    TSmileArt art{"16-blush.gif", {":-[", "смущаюсь", "blush"}, {}, true};
    const TFace f{10, 10, 9.6};
    for (int i = 0; i < 3; ++i) {
        TCanvas c(20, 20);
        Head(c, f);
        EyesOpen(c, f, -1.2, 1);
        MouthSmile(c, f, -1.5);
        if (i > 0) Cheeks(c, f, i == 1 ? kBlush : kPink);
        art.frames.push_back(Frame(c, i == 0 ? 1000 : i == 1 ? 200 : 1600));
    }
    return art;
}

TSmileArt OopsArt() {
    TSmileArt art{"17-oops.gif", {":-S", "упс", "oops"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(22, 22);
        const TFace f{11, 11.5, 10.2};
        Head(c, f);
        EyeWide(c, f, -1, i < 2 ? 1 : -1, -0.5);
        EyeWide(c, f, 1, i < 2 ? 1 : -1, -0.5);
        Brows(c, f, -0.8, 0.1);
        MouthWavy(c, f, i * kPi / 2);
        Tear(c, 18.5, 4 + i * 1.6, 3);  // a drop of sweat runs down
        art.frames.push_back(Frame(c, i == 3 ? 600 : 220));
    }
    return art;
}

TSmileArt YesArt() {
    TSmileArt art{"18-yes.gif", {"*YES*", "да", "yes"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(20, 24);
        const double nod = i % 2 == 0 ? 0 : 2;
        const TFace f{10, 11.5 + nod, 9.6};
        Head(c, f);
        c.Transform(0, nod * 0.6);  // the features sink further: the head leans forward
        EyesHappy(c, f);
        MouthSmile(c, f, 1);
        c.ResetTransform();
        art.frames.push_back(Frame(c, i == 3 ? 900 : 220));
    }
    return art;
}

TSmileArt NoArt() {
    TSmileArt art{"19-no.gif", {"*NO*", "нет", "no"}, {}};
    const double turns[] = {0, -2, 2, -2, 2};
    for (int i = 0; i < 5; ++i) {
        TCanvas c(26, 20);
        const TFace f{13 + turns[i], 10, 9.6};
        Head(c, f);
        c.Transform(turns[i] * 0.6, 0);
        EyesOpen(c, f);
        Brows(c, f, 0.5);
        MouthFlat(c, f);
        c.ResetTransform();
        art.frames.push_back(Frame(c, i == 0 ? 1000 : 130));
    }
    return art;
}

TSmileArt HelloArt() {
    TSmileArt art{"20-hello.gif", {"*HI*", "привет", "hello", "hi"}, {}};
    const double angles[] = {-25, 5, -25, 5};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(30, 24);
        const TFace f{11, 13, 10.4};
        Head(c, f);
        EyeOpen(c, f, -1);
        EyeHappy(c, f, 1);
        MouthGrin(c, f, 0.4);
        Hand(c, 25, 22, 1.05, angles[i]);
        art.frames.push_back(Frame(c, 170));
    }
    return art;
}

// --- gestures and things -----------------------------------------------------------------

void Thumb(TCanvas& c) {
    c.Paint(RoundRect(15, 10, 21, 22, 1), kBlue, kNavy);  // cuff
    c.PaintLit(Union(RoundRect(4, 10, 16.5, 21.5, 3), RoundRect(5, 1.5, 11, 13, 2.9)), kInk, kLight, kFace,
               kShade, {7, 4}, 2.5, {7, 10}, 10);
    for (double y : {14.0, 17.0})  // the curled fingers
        c.Paint(Segment(4.5, y, 9.5, y, 1), kInk);
}

TSmileArt LikeArt() {
    TSmileArt art{"21-like.gif", {"(Y)", "класс", "like"}, {}};
    const double lifts[] = {0, -2, 0, -2};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(24, 24);
        c.Transform(0, lifts[i] + 1);
        Thumb(c);
        art.frames.push_back(Frame(c, i == 3 ? 1200 : 140));
    }
    return art;
}

TSmileArt DislikeArt() {
    TSmileArt art{"22-dislike.gif", {"(N)", "отстой", "dislike"}, {}};
    const double shakes[] = {0, -8, 0, 8, 0};
    for (int i = 0; i < 5; ++i) {
        TCanvas c(24, 24);
        c.Transform(0, 0, 180 + shakes[i], 12, 12);
        Thumb(c);
        art.frames.push_back(Frame(c, i == 0 ? 1000 : 110));
    }
    return art;
}

TSmileArt ApplauseArt() {
    TSmileArt art{"23-applause.gif", {"=D>", "браво", "applause"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(32, 24);
        const TFace f{16, 10.5, 10.2};
        Head(c, f);
        EyesHappy(c, f);
        MouthGrin(c, f, 0.6);
        const double apart = i % 2 == 0 ? 4.5 : 1.2;
        Hand(c, 16 - apart - 2, 24, 0.95, 30);
        Hand(c, 16 + apart + 2, 24, 0.95, -30);
        if (i % 2 == 1)  // the clap
            for (int side : {-1, 1}) c.Paint(Segment(16 + side * 6, 13, 16 + side * 8, 11.5, 1), kOrange);
        art.frames.push_back(Frame(c, 130));
    }
    return art;
}

TSmileArt HoorayArt() {
    TSmileArt art{"24-hooray.gif", {"\\o/", "ура", "hooray"}, {}};
    const uint8_t confetti[] = {kRed, kBlue, kGreen, kPurple, kOrange, kPink};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(32, 36);
        const double jump = i % 2 == 0 ? 0 : -3;
        const TFace f{16, 24 + jump, 10.8};
        for (int side : {-1, 1}) {  // arms up, waving
            const double hx = 16 + side * (12.5 - (i % 2) * 1.5), hy = 9 + jump + (i % 2) * 2;
            c.Paint(Segment(16 + side * 7, 24 + jump, hx, hy + 2, 3.6), kFace, kInk);
            c.Paint(Disc(hx, hy, 3), kFace, kInk);
        }
        Head(c, f);
        EyesHappy(c, f);
        MouthGrin(c, f, 1);
        for (int k = 0; k < 6; ++k) {
            const int x = 3 + (k * 11) % 27, y = (k * 7 + i * 5) % 20;
            c.Paint(RoundRect(x, y, x + 1.9, y + 1.9, 0), confetti[(k + i) % 6]);
        }
        art.frames.push_back(Frame(c, 160));
    }
    return art;
}

TSmileArt HeartArt() {
    TSmileArt art{"25-heart.gif", {"<3", "сердце", "heart"}, {}};
    const double sizes[] = {17.5, 15, 17.5, 15};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(19, 19);
        LitHeart(c, 9.5, 9.5, sizes[i]);
        art.frames.push_back(Frame(c, i == 3 ? 600 : 130));
    }
    return art;
}

TSmileArt BrokenHeartArt() {
    TSmileArt art{"26-broken-heart.gif", {"</3", "разбитое сердце", "broken heart"}, {}};
    const std::vector<TPoint> crack = {{13, 1}, {11.5, 6}, {14.5, 9}, {11.5, 13}, {13.5, 16}, {13, 22}};
    std::vector<TPoint> leftSide = crack;
    leftSide.push_back({-10, 22});
    leftSide.push_back({-10, 1});
    const TShape left = Polygon(leftSide);
    const TShape heart = Heart(13, 10.5, 19);
    for (int i = 0; i < 3; ++i) {
        TCanvas c(26, 22);
        if (i == 0) {
            c.PaintLit(heart, kDarkRed, kPink, kRed, kDarkRed, {9, 6.5}, 2.8, {11, 7}, 12);
        } else {
            // Each half is outlined on its own, so the crack shows; then they fall apart.
            const double open = i == 1 ? 0 : 1;
            for (int side : {-1, 1}) {
                c.Transform(side * open * 1.5, open * 0.5, side * open * 5, 13, 19);
                const TShape part = [&heart, &left, side](double x, double y) {
                    return heart(x, y) && (side < 0) == left(x, y);
                };
                c.PaintLit(part, kDarkRed, kPink, kRed, kDarkRed, {9, 6.5}, 2.8, {11, 7}, 12);
                c.ResetTransform();
            }
        }
        art.frames.push_back(Frame(c, i == 0 ? 900 : i == 1 ? 300 : 1500));
    }
    return art;
}

TSmileArt StarArt() {
    TSmileArt art{"27-star.gif", {"(*)", "звезда", "star"}, {}};
    for (int i = 0; i < 6; ++i) {
        TCanvas c(24, 24);
        c.PaintLit(Star(12, 12.5, 11.5, 5, 5, i * 12), kDeepAmber, kCream, kGold, kOrange, {10, 9}, 3.5,
                   {11, 11}, 7);
        // Sparkles come and go around it.
        const TPoint sparks[] = {{3, 3}, {21, 4}, {21, 21}, {3, 20}};
        const TPoint& s = sparks[i % 4];
        c.Paint(Union(Segment(s.x - 2, s.y, s.x + 2, s.y, 1), Segment(s.x, s.y - 2, s.x, s.y + 2, 1)), kGold);
        art.frames.push_back(Frame(c, 150));
    }
    return art;
}

TSmileArt SunArt() {
    TSmileArt art{"28-sun.gif", {"(#)", "солнце", "sun"}, {}};
    for (int i = 0; i < 3; ++i) {
        TCanvas c(28, 28);
        for (int k = 0; k < 12; ++k) {
            const double a = (k * 30 + i * 10) * kPi / 180;
            const double len = k % 2 == 0 ? 13.5 : 11.5;
            c.Paint(Polygon({{14 + 8 * std::cos(a - 0.2), 14 + 8 * std::sin(a - 0.2)},
                             {14 + len * std::cos(a), 14 + len * std::sin(a)},
                             {14 + 8 * std::cos(a + 0.2), 14 + 8 * std::sin(a + 0.2)}}),
                    kOrange, kDeepAmber);
        }
        const TFace f{14, 14, 8.8};
        c.PaintLit(Disc(f.cx, f.cy, f.r), kDeepAmber, kLight, kGold, kOrange, {11, 10.5}, 2.8, {12.5, 12},
                   8.6);
        EyesHappy(c, f);
        MouthSmile(c, f);
        Cheeks(c, f, kBlush);
        art.frames.push_back(Frame(c, 160));
    }
    return art;
}

TSmileArt RainArt() {
    TSmileArt art{"29-rain.gif", {"(ST)", "дождь", "rain"}, {}};
    const TShape cloud = Union(Union(Disc(9, 10, 5.5), Disc(16, 7.5, 6.5)),
                               Union(Disc(22, 10.5, 5), RoundRect(4, 9, 26, 15, 3.5)));
    for (int i = 0; i < 3; ++i) {
        TCanvas c(28, 24);
        for (int k = 0; k < 6; ++k) {
            const double x = 6.5 + k * 3.4;
            const double y = 15 + std::fmod(k * 2.7 + i * 3.0, 8.0);
            c.Paint(Segment(x, y, x - 0.8, y + 2.2, 1.2), kBlue);
        }
        c.PaintLit(cloud, kGrey, kWhite, kSky, kSilver, {13, 4}, 5, {15, 3}, 11);
        art.frames.push_back(Frame(c, 120));
    }
    return art;
}

TSmileArt FlowerArt() {
    TSmileArt art{"30-flower.gif", {"(F)", "цветок", "flower"}, {}};
    const double sway[] = {-6, 0, 6, 0};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(22, 30);
        c.Transform(0, 0, sway[i], 11, 29);
        c.Paint(Segment(11, 12, 11, 29, 1.8), kGreen, kDarkGreen);
        c.Paint(Ellipse(7, 22, 3.6, 1.8), kLeaf, kDarkGreen);
        c.Paint(Ellipse(15, 19, 3.6, 1.8), kLeaf, kDarkGreen);
        for (int k = 0; k < 6; ++k) {
            const double a = k * kPi / 3 + i * 0.12;
            c.Paint(Disc(11 + 5 * std::cos(a), 9 + 5 * std::sin(a), 3.2), kPink, kDarkRed);
        }
        c.PaintLit(Disc(11, 9, 3.3), kDeepAmber, kLight, kGold, kOrange, {10, 8}, 1.2, {10.5, 8.5}, 2.8);
        c.ResetTransform();
        art.frames.push_back(Frame(c, 220));
    }
    return art;
}

TSmileArt CoffeeArt() {
    TSmileArt art{"31-coffee.gif", {"(C)", "кофе", "coffee"}, {}};
    for (int i = 0; i < 3; ++i) {
        TCanvas c(26, 24);
        c.Paint(Ellipse(12, 21.5, 11.5, 2.4), kSilver, kGrey);                                // saucer
        c.Paint(Minus(Ellipse(20, 14.5, 4, 3.8), Ellipse(20, 14.5, 2, 1.8)), kWhite, kGrey);  // handle
        c.PaintLit(Union(Below(Ellipse(12, 11, 8, 10), 10), RoundRect(4, 10, 20, 14, 0)), kGrey, kWhite,
                   kWhite, kSilver, {8, 12}, 3, {9, 12}, 8);
        c.Paint(Ellipse(12, 10.5, 7.6, 1.9), kBrown, kDarkBrown);  // the coffee
        for (int k = 0; k < 2; ++k) {                              // steam
            const double x0 = 9 + k * 5;
            for (int s = 0; s < 4; ++s) {
                const double y0 = 7 - s * 1.6, y1 = y0 - 1.6;
                const double p = (s + i + k) * kPi / 1.5;
                c.Paint(Segment(x0 + std::sin(p), y0, x0 + std::sin(p + kPi / 1.5), y1, 1.1), kGrey);
            }
        }
        art.frames.push_back(Frame(c, 200));
    }
    return art;
}

TSmileArt BeerArt() {
    TSmileArt art{"32-beer.gif", {"(B)", "пиво", "beer"}, {}};
    for (int i = 0; i < 3; ++i) {
        TCanvas c(24, 28);
        c.Paint(Minus(RoundRect(14, 10, 23, 22, 3.5), RoundRect(17, 13, 20, 19, 1)), kSilver,
                kGrey);  // handle
        c.PaintLit(RoundRect(2, 7, 17, 27, 2), kDeepAmber, kCream, kAmber, kDeepAmber, {6, 12}, 2.2, {8, 14},
                   11);
        for (int k = 0; k < 3; ++k) {  // bubbles rise
            const double x = 6 + k * 4, y = 24 - std::fmod(k * 5.0 + i * 3.0, 14.0);
            c.Set(int(x), int(y), kCream);
        }
        const double drip = i == 0 ? 10 : i == 1 ? 11.5 : 13;
        c.Paint(Union(Union(Disc(5, 6, 3.2), Disc(10, 4.5, 3.8)),
                      Union(Disc(15, 6, 3.2), Ellipse(5, 8, 1.4, drip - 6))),
                kCream, kSilver);
        art.frames.push_back(Frame(c, i == 2 ? 900 : 250));
    }
    return art;
}

TSmileArt CakeArt() {
    TSmileArt art{"33-cake.gif", {"(^)", "торт", "cake"}, {}};
    for (int i = 0; i < 3; ++i) {
        TCanvas c(28, 26);
        c.Paint(Ellipse(14, 23.5, 13.5, 2.4), kSilver, kGrey);  // plate
        c.Paint(RoundRect(3, 11, 25, 23, 1.5), kBrown, kDarkBrown);
        c.Paint(RoundRect(3.5, 16, 24.5, 17.6, 0), kCream);  // the cream between the layers
        // Icing with drips.
        c.Paint(
            Union(RoundRect(3, 10, 25, 13.5, 1.5), Union(Union(Disc(7, 13.5, 1.6), Disc(13, 14, 1.6)),
                                                         Union(Disc(19, 13.5, 1.6), Disc(24, 13.2, 1.3)))),
            kPink, kDarkRed);
        for (int x : {6, 12, 17, 22}) c.Set(x, 11, kWhite);
        c.Paint(RoundRect(12.6, 4, 15.4, 10, 0.5), kLilac, kPurple);  // candle
        const double flicker = i == 1 ? -0.6 : i == 2 ? 0.6 : 0;
        c.Paint(Union(Disc(14, 2.6, 1.6), Polygon({{12.5, 2.6}, {15.5, 2.6}, {14 + flicker, -1.5}})), kGold,
                kOrange);
        art.frames.push_back(Frame(c, 130));
    }
    return art;
}

TSmileArt GiftArt() {
    TSmileArt art{"34-gift.gif", {"(G)", "подарок", "gift"}, {}};
    const double lids[] = {0, -3, -1, 0};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(24, 26);
        c.Paint(RoundRect(3, 12, 21, 25, 0), kRed, kDarkRed);
        c.Paint(RoundRect(10.5, 12, 13.5, 25, 0), kGold, kDeepAmber);
        c.Transform(0, lids[i], i == 1 ? -6 : 0, 12, 12);
        for (int side : {-1, 1})  // the bow
            c.Paint(Ellipse(12 + side * 3.6, 4.8, 3.6, 2.4), kGold, kDeepAmber);
        c.Paint(Disc(12, 5.5, 1.8), kOrange, kDeepAmber);
        c.Paint(RoundRect(1.5, 7.5, 22.5, 12.8, 0), kRed, kDarkRed);
        c.Paint(RoundRect(10.5, 7.5, 13.5, 12.8, 0), kGold, kDeepAmber);
        c.ResetTransform();
        art.frames.push_back(Frame(c, i == 0 ? 1100 : 130));
    }
    return art;
}

void Note(TCanvas& c, double x, double y) {
    c.Paint(Ellipse(x, y, 2.6, 2), kPurple, kNavy);
    c.Paint(Segment(x + 2, y - 0.5, x + 2, y - 11, 1.2), kNavy);
}

TSmileArt MusicArt() {
    TSmileArt art{"35-music.gif", {"(8)", "музыка", "music"}, {}};
    for (int i = 0; i < 4; ++i) {
        TCanvas c(24, 24);
        const double a = i == 1 ? -2 : 0, b = i == 3 ? -2 : 0;
        Note(c, 6, 19 + a);
        Note(c, 17, 17 + b);
        c.Paint(Polygon({{7.4, 8 + a}, {19.6, 6 + b}, {19.6, 8.6 + b}, {7.4, 10.6 + a}}), kNavy);  // the beam
        art.frames.push_back(Frame(c, 200));
    }
    return art;
}

TSmileArt PhoneArt() {
    TSmileArt art{"36-phone.gif", {"(T)", "телефон", "phone"}, {}};
    for (int i = 0; i < 5; ++i) {
        TCanvas c(26, 26);
        const double shake = i == 0 ? 0 : (i % 2 == 0 ? -7 : 7);
        c.Transform(0, 0, shake, 13, 24);
        c.PaintLit(RoundRect(7, 2, 19, 25, 2.5), kInk, kGrey, kDarkGrey, kGlass, {9, 4}, 3, {11, 10}, 14);
        c.Paint(RoundRect(9, 5, 17, 15, 0.5), i == 0 ? kSky : kLeaf, kGlass);
        for (int k = 0; k < 6; ++k) c.Paint(Disc(10.5 + (k % 3) * 2.5, 18 + (k / 3) * 2.5, 0.8), kSilver);
        c.ResetTransform();
        if (i > 0)  // the ring
            for (int side : {-1, 1})
                c.Paint(Arc(13, 10, 10.5 + (i % 2), side < 0 ? 150 : -30, side < 0 ? 210 : 30, 1.2), kRed);
        art.frames.push_back(Frame(c, i == 0 ? 900 : 90));
    }
    return art;
}

TSmileArt IdeaArt() {
    TSmileArt art{"37-idea.gif", {"(I)", "идея", "idea"}, {}};
    for (int i = 0; i < 3; ++i) {
        TCanvas c(26, 30);
        const bool on = i > 0;
        if (on)
            for (int k = 0; k < 7; ++k) {
                const double a = (180 + k * 30) * kPi / 180;
                const double r0 = 10.5, r1 = i == 1 ? 12.5 : 13.5;
                c.Paint(Segment(13 + r0 * std::cos(a), 11 + r0 * std::sin(a), 13 + r1 * std::cos(a),
                                11 + r1 * std::sin(a), 1.3),
                        kGold);
            }
        const TShape glass = Union(Disc(13, 11, 8), Polygon({{8.5, 16}, {17.5, 16}, {16, 22}, {10, 22}}));
        if (on)
            c.PaintLit(glass, kDeepAmber, kWhite, kLight, kGold, {10.5, 8}, 2.8, {12, 10}, 8.5);
        else
            c.PaintLit(glass, kGrey, kWhite, kSilver, kSilver, {10.5, 8}, 2.5, {12, 10}, 8.5);
        c.Paint(RoundRect(9.5, 21.5, 16.5, 27.5, 1.2), kGrey, kDarkGrey);
        for (double y : {23.5, 25.5}) c.Paint(Segment(10, y, 16, y, 1), kDarkGrey);
        c.Paint(Segment(12.5, 28.5, 13.5, 28.5, 1.5), kDarkGrey);
        art.frames.push_back(Frame(c, i == 0 ? 900 : 250));
    }
    art.frames.push_back(art.frames[1]);
    art.frames.push_back(art.frames[2]);
    art.frames.back().delayMs = 1200;
    return art;
}

TSmileArt RoflArt() {
    TSmileArt art{"38-rofl.gif", {"*ROFL*", "валяюсь", "rofl"}, {}};
    for (int i = 0; i < 8; ++i) {
        TCanvas c(40, 40);
        const TFace f{20, 20, 17.4};
        c.Transform(0, 0, i * 45, 20, 20);
        Head(c, f);
        EyesHappy(c, f);
        Brows(c, f, -0.6);
        MouthGrin(c, f, 1);
        for (int side : {-1, 1}) {
            const TPoint e = f.Eye(side);
            Tear(c, e.x + side * 5, e.y - 1, 4);
        }
        c.ResetTransform();
        art.frames.push_back(Frame(c, 100));
    }
    return art;
}

// A badge with a word; its colours are changed frame by frame through local palettes.
TSmileArt BadgeArt(std::string file, std::vector<std::string> signatures, std::string_view word, uint8_t fill,
                   uint8_t edge, std::vector<TRgb> letterColors, bool hop) {
    TSmileArt art{std::move(file), std::move(signatures), {}};
    for (size_t i = 0; i < letterColors.size(); ++i) {
        TCanvas c(48, 24);
        c.PaintLit(RoundRect(1, 2, 46.5, 21.5, 6), edge, fill, fill, edge, {0, 0}, 0, {24, 6}, 20);
        const int width = TCanvas::TextWidth(word, 2);
        int x = (48 - width) / 2 + 1;
        for (size_t k = 0; k < word.size(); ++k) {
            const int y = 5 + (hop && (k + i) % 2 == 0 ? -1 : 0) + (hop ? 1 : 0);
            // A dark shadow under each letter keeps it readable on any colour.
            c.Text(x + 1, y + 1, word.substr(k, 1), kInk, 2);
            x += c.Text(x, y, word.substr(k, 1), kCream, 2) + 2;
        }
        TFrame frame = Frame(c, 260);
        frame.recolor.push_back({kCream, letterColors[i]});
        art.frames.push_back(std::move(frame));
    }
    return art;
}

}  // namespace

std::vector<TSmileArt> Smiles() {
    std::vector<TSmileArt> smiles = {
        SmileArt(),   WinkArt(),     LaughArt(),  SadArt(),   CryArt(),         AngryArt(),    SurprisedArt(),
        TongueArt(),  CoolArt(),     LoveArt(),   KissArt(),  SleepyArt(),      ConfusedArt(), DevilArt(),
        AngelArt(),   BlushArt(),    OopsArt(),   YesArt(),   NoArt(),          HelloArt(),    LikeArt(),
        DislikeArt(), ApplauseArt(), HoorayArt(), HeartArt(), BrokenHeartArt(), StarArt(),     SunArt(),
        RainArt(),    FlowerArt(),   CoffeeArt(), BeerArt(),  CakeArt(),        GiftArt(),     MusicArt(),
        PhoneArt(),   IdeaArt(),     RoflArt(),
    };
    smiles.push_back(BadgeArt("39-lol.gif", {"LOL", "ржу не могу", "laughing out loud"}, "LOL", kOrange,
                              kDeepAmber,
                              {{255, 255, 255}, {255, 240, 120}, {255, 255, 255}, {180, 240, 255}}, false));
    smiles.push_back(BadgeArt("40-ok.gif", {"OK", "ок", "okay"}, "OK", kGreen, kDarkGreen,
                              {{255, 255, 255}, {255, 255, 255}}, true));
    return smiles;
}

}  // namespace sample
