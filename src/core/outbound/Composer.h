#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace outbound {

// One line for the wire (without its line end) and what the transcript
// shows for it; a null echo shows nothing.
struct Outgoing
{
    QString line;
    QString echo;
    bool operator==(const Outgoing &) const = default;
};

// What the input line means: a command goes out as typed; other text is
// whispered to each selected entry, in list order, or is chat when none is
// selected. The window sends the lines in order and stops at the first that
// fails, so a failure leaves the later lines unsent and unechoed.
QList<Outgoing> compose(QStringView typed, const QStringList &selectedEntries, QStringView userName);

} // namespace outbound
