#pragma once

#include <QString>
#include <QWidget>

namespace outbound {

// What the user is told when a line could not be sent. No message box: the
// user is typing, and a modal box would swallow the next keystrokes.
inline const QString NothingSent = QStringLiteral("Nothing was sent: you are not connected to Battle.net.");
// Lines that waited for their turn when the connection ended.
inline const QString WaitingNotSent =
    QStringLiteral("The lines still waiting were not sent: the connection to Battle.net ended. "
                   "Their text is back in the input line.");

// Shows the notice as a tip at the widget and keeps it as the widget's
// tooltip until the next line goes out.
void tellNothingSent(QWidget *at, const QString &notice = NothingSent);

} // namespace outbound
