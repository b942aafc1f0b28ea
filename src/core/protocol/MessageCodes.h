#pragma once

#include <QStringView>

// Inbound message codes. The code is the first four characters of a line and
// is compared exactly.
namespace wire {

enum class Inbound {
    None,              // no code: a line that does not start with four digits
    Unknown,           // four digits that name nothing we know
    Ignored,           // known to the service, but nothing to do (2000)
    User,              // 1001
    Join,              // 1002
    Leave,             // 1003
    Whisper,           // 1004
    Talk,              // 1005
    Broadcast,         // 1006: the server's announcement
    Channel,           // 1007
    Flags,             // 1009: a member's flags changed
    WhisperSent,       // 1010: the server's confirmation of our whisper
    ChannelFull,       // 1013
    ChannelMissing,    // 1014
    ChannelRestricted, // 1015
    Info,              // 1018
    Error,             // 1019
    Emote,             // 1023
    Name,              // 2010: the name the server knows us by
};

Inbound classify(QStringView line);

// Where each code's fields stand, 1-based, as the service lays its lines
// out. The one place these columns are written.
enum class TextAt {
    None,
    AfterFlags, // from the flag field + 6 to before the closing quote
    Quoted,     // between the first double quote and the closing one
    LineEnd,    // from textFrom to before the CR
};

struct Layout
{
    qsizetype nameField = 0; // the name field as cut starts here; 0: no name
    qsizetype nameAt = 0;    // the name itself begins here: the flag field is looked for after it
    TextAt text = TextAt::None;
    qsizetype textFrom = 0;  // for LineEnd; for AfterFlags, the distance from the flag field
};

constexpr Layout layoutOf(Inbound kind)
{
    switch (kind) {
    case Inbound::User:
    case Inbound::Join:
    case Inbound::Flags:
        return {11, 11, TextAt::None, 0};
    // The gateway puts a blank at 11 and the name after it.
    case Inbound::Leave:
        return {11, 12, TextAt::None, 0};
    case Inbound::Talk:
        return {11, 11, TextAt::AfterFlags, 6};
    case Inbound::Emote:
        return {12, 12, TextAt::AfterFlags, 6};
    // "1004 WHISPER heron": a blank at 13 that the name field keeps.
    case Inbound::Whisper:
    case Inbound::WhisperSent:
        return {13, 14, TextAt::Quoted, 0};
    case Inbound::Channel: // the name between the quotes at 14 and L - 1
        return {0, 0, TextAt::LineEnd, 15};
    case Inbound::Name: // "2010 NAME wanderer"
        return {0, 0, TextAt::LineEnd, 11};
    default:
        return {0, 0, TextAt::Quoted, 0};
    }
}

} // namespace wire
