#include "app/Startup.h"
#include "app/frmBot.h"

#include <QApplication>
#include <QMessageBox>
#include <QStandardPaths>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Read before the application object exists: --help must answer where
    // no display is, and a malformed value must stop before any window.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const app::Startup start =
        app::startup(args, QStringLiteral(QUILLON_GATEWAY_HOST), frmBot::GatewayPort.toInt());
    for (const QString &line : start.errors)
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    switch (start.action) {
    case app::CommandLine::Help:
        std::fputs(app::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case app::CommandLine::Version:
        std::fputs("quillon " QUILLON_VERSION "\n", stdout);
        return 0;
    case app::CommandLine::Fail:
        return 2;
    case app::CommandLine::Run:
        break;
    }

    QApplication app(argc, argv);
    // No display name: the platform would add it to every window's caption.
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setDesktopFileName(QStringLiteral("quillon"));

    // Started from the desktop's menu there is no terminal to read stderr.
    for (const QString &message : start.boxes) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Quillon"), message, QMessageBox::Ok);
        box.setTextFormat(Qt::PlainText); // the value is shown as written, never as markup
        box.exec();
    }

    frmBot window(start.host, start.port);
    window.setPacing(start.pace);
    window.setReconnect(start.reconnect);
    window.setTimestamps(start.timestamps, app::settingsPath());
    window.setLog(start.log, QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    window.show();
    return app.exec();
}
