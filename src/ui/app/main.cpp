#include "app/frmBot.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // No display name: the platform would add it to every window's caption.
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setDesktopFileName(QStringLiteral("quillon"));

    // The gateway is fixed when the program is built; nothing is read at run
    // time.
    frmBot window(QStringLiteral(QUILLON_GATEWAY_HOST), frmBot::GatewayPort.toInt());
    window.show();
    return app.exec();
}
