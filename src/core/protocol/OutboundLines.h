#pragma once

#include <QString>
#include <QStringView>

// Every line the client puts on the wire. Command texts are built without the
// line end: the action panel hands them to the composer through the input
// line, and the composer adds CR LF when it sends.
namespace wire {

inline constexpr QStringView LineEnd = u"\r\n";
inline constexpr QStringView CommandMarker = u"/";

QString withLineEnd(QStringView text);
// A line break inside one outbound line would reach the service as a line of
// its own: the tail of a pasted whisper would go to the whole channel as
// chat, the tail of a password would be read as chat after the login. Breaks
// become blanks, one for one.
QString oneLine(QString text);

// Login handshake: three separate sends, in this order, each one line
// however the name and password were entered.
QString handshakePreamble();                   // 03 04 CR LF CR LF
QString handshakeName(QStringView userName);   // name CR LF
QString handshakePassword(QStringView password); // password CR LF (CR LF alone when empty)

// Roomlist entries are sent exactly as stored, trailing blank included.
QString whisperCommand(QStringView entry, QStringView text);
QString banCommand(QStringView entry);
QString unbanCommand(QStringView entry);
QString rejoinCommand();
QString statsCommand(QStringView entry);
QString whoisCommand(QStringView entry);
QString channelCommand(QStringView channelName);

bool isCommand(QStringView text);

} // namespace wire
