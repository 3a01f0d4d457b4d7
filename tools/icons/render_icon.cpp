// faceloom-icon-render SVG SIZE OUT.png: renders an SVG drawing to a square PNG, for the
// program icon sizes the build installs.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "Usage: faceloom-icon-render SVG SIZE OUT.png\n");
        return 2;
    }
    const QString svg = QString::fromLocal8Bit(argv[1]);
    bool ok = false;
    const int size = QString::fromLatin1(argv[2]).toInt(&ok);
    const QString out = QString::fromLocal8Bit(argv[3]);
    if (!ok || size <= 0 || size > 4096) {
        std::fprintf(stderr, "faceloom-icon-render: bad size '%s'\n", argv[2]);
        return 2;
    }
    QSvgRenderer renderer(svg);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "faceloom-icon-render: cannot read '%s'\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
    }
    QDir().mkpath(QFileInfo(out).absolutePath());
    if (!image.convertToFormat(QImage::Format_ARGB32).save(out, "PNG")) {
        std::fprintf(stderr, "faceloom-icon-render: cannot write '%s'\n", argv[3]);
        return 1;
    }
    return 0;
}
