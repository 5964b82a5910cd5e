// Writes the program's icon as PNG files in the freedesktop icon-theme
// layout: <folder>/<N>x<N>/apps/orvane-monitor.png for every size given.
// Runs at build time; the pictures are drawn by the program's own code.
#include "widgets/Icons.h"

#include <QDir>
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER SIZE...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "%s: size %s is not 16 to 1024\n", argv[0], argv[i]);
            return 2;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString file = dir + QStringLiteral("/orvane-monitor.png");
        if (!QDir().mkpath(dir) || !orvane::programIconImage(size).save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], qPrintable(file));
            return 1;
        }
    }
    return 0;
}
