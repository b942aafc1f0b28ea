#include "app/CommandLine.h"
#include "app/frmBot.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Read before the application object exists: --help must answer where
    // no display is, and a malformed value must stop before any window.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const app::CommandLine options = app::readCommandLine(
        args, QStringLiteral(QUILLON_GATEWAY_HOST), frmBot::GatewayPort.toInt());
    switch (options.action) {
    case app::CommandLine::Help:
        std::fputs(app::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case app::CommandLine::Version:
        std::fputs("quillon " QUILLON_VERSION "\n", stdout);
        return 0;
    case app::CommandLine::Fail:
        std::fprintf(stderr, "%s\n", options.error.toLocal8Bit().constData());
        return 2;
    case app::CommandLine::Run:
        break;
    }

    QApplication app(argc, argv);
    // No display name: the platform would add it to every window's caption.
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setDesktopFileName(QStringLiteral("quillon"));

    // The gateway is the one built in unless --server names another.
    frmBot window(options.host, options.port);
    if (!options.pace)
        window.setPacing(std::nullopt);
    window.show();
    return app.exec();
}
