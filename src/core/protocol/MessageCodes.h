#pragma once

#include <QStringView>

// Inbound message codes. The code is the first four characters of a line and
// is compared exactly; anything that is not in this table calls nothing.
namespace wire {

enum class Inbound {
    None,     // unknown, short or malformed code: dropped without a sign
    Ignored,  // known to the service, but nothing to do (2000, 2010)
    User,     // 1001
    Join,     // 1002
    Leave,    // 1003
    Whisper,  // 1004
    Talk,     // 1005
    Channel,  // 1007
    Info,     // 1018
    Error,    // 1019
    Emote,    // 1023
};

Inbound classify(QStringView line);

} // namespace wire
