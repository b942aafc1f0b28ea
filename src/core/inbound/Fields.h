#pragma once

#include <QString>
#include <QStringView>

#include "protocol/MessageCodes.h"

#include <optional>

// Field extraction for received lines. Each function takes one line as the
// receiver cuts it (ending in its CR, without the LF) and says what it means;
// the window only applies the answer. Positions are 1-based and L is the
// length of the line, so position L is the CR.
namespace inbound {

// Start and count as the service's layouts give them: a count running past
// the end yields what is there, a start past the end yields empty text, and a
// negative count cannot be cut.
std::optional<QStringView> cutField(QStringView line, qsizetype start, qsizetype count);

// The quoted text of a 1004, 1018 or 1019 line. When the line ends in a
// double quote and its CR, the text runs from the first double quote to that
// last one, inner quotes included; otherwise to the second double quote.
// Nothing when the line holds fewer than two.
std::optional<QStringView> quotedText(QStringView line);

// Transcript lines (without the line end), or nothing when a field cannot
// be cut and the line must be skipped. textAt, when given, learns where the
// received text starts in the transcript line.
std::optional<QString> talkLine(QStringView line, qsizetype *textAt = nullptr); // 1005: name field, ": ", text
std::optional<QString> whisperLine(QStringView line); // 1004: name field, ": (whisper) ", text
QString infoLine(QStringView line);                   // 1018: the quoted text; empty when unquoted
std::optional<QString> emoteLine(QStringView line, qsizetype *textAt = nullptr); // 1023: name field, " ", text

// Whether received text, as the transcript shows it, holds the name as a
// whole word, in any case: "Kestrel," and "hi KESTREL" name kestrel,
// "kestrels" does not. An empty name is in no text.
bool mentions(QStringView received, QStringView name);

// What a server says of a member, one bit each.
enum MemberFlag : quint16 {
    ServiceRep = 0x01,
    ChannelOperator = 0x02,
    Speaker = 0x04,
    Administrator = 0x08,
    NoUdp = 0x10,
    Squelched = 0x20,
    Guest = 0x40,
};

// A member as a 1001, 1002 or 1009 line names them: the untrimmed name
// field, which is what goes back to the server, and their flags.
struct Member
{
    QString entry;
    quint16 flags = 0;
    bool operator==(const Member &) const = default;
};

// The server's confirmation of a whisper we sent (1010): to whom, as the
// name field with its blanks trimmed, and the text.
struct SentWhisper
{
    QString to;
    QString text;
    bool operator==(const SentWhisper &) const = default;
};
std::optional<SentWhisper> whisperSent(QStringView line);
// How a whisper we sent shows, echoed or confirmed: our name, "TO " and
// the recipient, then ": " and the text.
QString sentWhisperLine(QStringView ownName, QStringView to, QStringView text);

// The server's own words stand apart from what people say: nobody's line
// starts this way, since a name field always ends before ": ".
inline constexpr QStringView BroadcastMark = u"*** ";
QString broadcastLine(QStringView line); // 1006: the mark and the quoted text
// 1013, 1014, 1015 in plain words, naming the channel when the line does.
QString refusedChannelLine(wire::Inbound kind, QStringView line);
// 2010: the name the server knows us by; nothing when the line names none.
std::optional<QString> serverName(QStringView line);
// A line without a code that refuses the login, as the server's words
// from "Login failed" on; nothing for the other greeting lines.
std::optional<QString> loginRefusal(QStringView line);

// User list and banner.
std::optional<Member> member(QStringView line);       // 1001, 1002, 1009
std::optional<QString> userEntry(QStringView line);   // 1001, 1002: untrimmed name field
std::optional<QString> leaveName(QStringView line);   // 1003: name field, blanks trimmed
std::optional<QString> channelName(QStringView line); // 1007: positions 15 to L-2

// Blanks (code 32) only: tabs and other invisible characters stay.
QStringView trimBlanks(QStringView text);

QString bannerCaption(QStringView channel, qsizetype count);
// While the connection is being got back: said alone, since the banner has
// room for one short line, and the transcript names the channel.
inline constexpr QStringView AwayCaption = u"Reconnecting\u2026";

} // namespace inbound
