// Renders the window icon into the PNG files a desktop expects, so the
// installed icon is the same artwork the window shows.
// Usage: mkicons <output folder> <size>...  -> <folder>/<N>x<N>/quillon.png

#include "app/Artwork.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTextStream>

int main(int argc, char *argv[])
{
    // Runs during the build, where there may be no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2) {
        err << "usage: mkicons <output folder> <size>...\n";
        return 2;
    }

    const QDir out(args.first());
    for (const QString &arg : args.mid(1)) {
        bool ok = false;
        const int size = arg.toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            err << "mkicons: bad size " << arg << '\n';
            return 2;
        }
        const QString dir = QStringLiteral("%1x%1").arg(size);
        if (!out.mkpath(dir)) {
            err << "mkicons: cannot create " << out.filePath(dir) << '\n';
            return 1;
        }
        const QString file = out.filePath(dir + QStringLiteral("/quillon.png"));
        const QImage image = artwork::windowIconImage(size);
        if (image.size() != QSize(size, size) || !image.save(file, "PNG")) {
            err << "mkicons: cannot write " << file << '\n';
            return 1;
        }
    }
    return 0;
}
