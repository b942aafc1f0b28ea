#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace outbound {

// One line for the wire (without its line end) and what the transcript
// shows for it; a null echo shows nothing. rest is what the input line gets
// back when this line and the ones after it from the same input are taken
// back unsent: the typed text when nothing of it went yet.
struct Outgoing
{
    QString line;
    QString echo;
    QString rest;
    bool operator==(const Outgoing &) const = default;
};

// What the input line means: a command goes out as typed; other text is
// whispered to each selected entry, in list order, or is chat when none is
// selected.
//
// With longestLine above 0, a line longer than that many bytes goes out in
// pieces (see cutText), each a line of its own with its own echo: chat, the
// whispers to selected entries, and the commands /w, /whisper, /m and /msg
// with a name and /me and /emote, whose pieces each carry the command and
// the name as typed. Other commands go out whole. Several recipients each
// get every piece before the next one gets any.
QList<Outgoing> compose(QStringView typed, const QStringList &selectedEntries, QStringView userName,
                        qsizetype longestLine = 0);

} // namespace outbound
