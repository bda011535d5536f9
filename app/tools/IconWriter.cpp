// Writes the program's icon as PNG files for the desktop's icon theme:
//   kelvane_icon_writer <folder> <size>...
// makes <folder>/<size>x<size>/apps/example.kelvane.Kelvane.png for each size. The picture is
// the one the windows carry, painted by the program's own code.
#include "windows/Artwork.h"

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <folder> <size>...\n", argv[0]);
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0 || size > 1024) {
            std::fprintf(stderr, "bad size: %s\n", argv[i]);
            return 2;
        }
        const QString folder = root % u'/' % QString::number(size) % u'x' % QString::number(size) %
                               QStringLiteral("/apps");
        if (!QDir().mkpath(folder)) {
            std::fprintf(stderr, "cannot make %s\n", qPrintable(folder));
            return 1;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        kelvane::paintApplicationIcon(p, size);
        p.end();
        const QString file = folder % QStringLiteral("/example.kelvane.Kelvane.png");
        if (!image.save(file, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
