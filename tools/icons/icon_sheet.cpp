// icon_sheet OUT.png: a contact sheet of the main window's artwork as the program shows it:
// every toolbar image and button glyph in its normal, disabled and hot state, at its own
// size and magnified, on a light and a dark face; a toolbar and the button block as the
// widget style draws them (save, save as and close disabled, as with no pack open); and the
// program icon in its sizes.
#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QToolBar>
#include <cstdio>
#include <vector>

#include "app/main_window/icon_loader.h"

using namespace faceloom;

namespace {

constexpr int kCell = 40;
constexpr int kZoom = 3;

void DrawRow(QPainter& p, int y, const QString& name, int size, QColor face) {
    const QIcon icon = LoadIcon(name, size);
    int x = 8;
    for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active}) {
        const QPixmap pixmap = icon.pixmap(size, mode);
        p.fillRect(x, y, kCell, kCell, face);
        p.drawPixmap(x + (kCell - size) / 2, y + (kCell - size) / 2, pixmap);
        x += kCell + 4;
        p.fillRect(x, y, size * kZoom + 8, size * kZoom + 8, face);
        p.drawPixmap(QRect(x + 4, y + 4, size * kZoom, size * kZoom), pixmap);
        x += size * kZoom + 12;
    }
    p.setPen(Qt::black);
    p.drawText(x + 4, y + 14, name);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: icon_sheet OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    std::vector<std::pair<QString, int>> rows;
    for (int i = 0; i < kToolbarImageCount; ++i) rows.emplace_back(ToolbarImageName(i), kToolbarImageSize);
    for (int n = 1; n <= 16; ++n) rows.emplace_back(ButtonGlyphName(n), kButtonGlyphSize);

    int height = 8;
    for (const auto& row : rows) height += std::max(kCell, row.second * kZoom + 8) + 6;
    height += 270 + 160;
    QImage sheet(2 * 620, height, QImage::Format_RGB32);
    sheet.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&sheet);
    int y = 8;
    for (const auto& [name, size] : rows) {
        DrawRow(p, y, name, size, QColor(0xf0, 0xf0, 0xf0));
        p.save();
        p.translate(620, 0);
        DrawRow(p, y, name, size, QColor(0x30, 0x30, 0x38));
        p.restore();
        y += std::max(kCell, size * kZoom + 8) + 6;
    }
    QToolBar toolbar;
    toolbar.setIconSize(QSize(kToolbarImageSize, kToolbarImageSize));
    for (int i = 0; i < kToolbarImageCount; ++i) {
        QAction* action =
            toolbar.addAction(LoadIcon(ToolbarImageName(i), kToolbarImageSize), ToolbarImageName(i));
        action->setEnabled(i < 2 || i > 4);
        if (i == 4 || i == 7 || i == 8) toolbar.addSeparator();
    }
    toolbar.adjustSize();
    p.drawPixmap(8, y, toolbar.grab());
    QWidget buttons;
    auto* grid = new QGridLayout(&buttons);
    for (int n = 1; n <= 16; ++n) {
        auto* button = new QPushButton(LoadIcon(ButtonGlyphName(n), kButtonGlyphSize), QString());
        button->setFixedSize(25, 25);
        button->setEnabled(n % 5 != 0);
        grid->addWidget(button, (n - 1) / 4, (n - 1) % 4);
    }
    buttons.adjustSize();
    p.drawPixmap(620, y, buttons.grab());
    y += std::max(toolbar.height(), buttons.height()) + 8;
    int x = 8;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        p.drawImage(x, y, RenderSvg(QStringLiteral(":/icons/main/faceloom.svg"), size));
        x += size + 8;
    }
    p.end();
    return sheet.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
