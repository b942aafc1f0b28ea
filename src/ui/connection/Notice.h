#pragma once

#include <QString>

class QWidget;

// The program's message boxes: the application's title, the text as plain
// text and one OK button. Each waits until the user dismisses it.
namespace notice {

inline const QString Title = QStringLiteral("Quillon");
inline const QString NoUserName = QStringLiteral("Must Enter a Username to Login");
inline const QString NoPassword = QStringLiteral("Must Enter a Password to Login");
inline const QString ConnectionLost = QStringLiteral("You have lost your connection to Battle.net");

void show(QWidget *parent, const QString &text);

} // namespace notice
