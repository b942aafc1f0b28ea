#pragma once

#include <QStringView>

#include <optional>

namespace inbound {

// 1-based position of the flag field of a received line, 0 when there is none.
//
// The flag field is a word of its own: a blank before it and a blank, the CR
// or the end of the line after it, holding four hexadecimal digits, as
// servers write a member's flags (one bit each). The leftmost such word
// wins, so a name like bob0000 or a text like "scored 10000 points" is never
// taken for the flag field.
//
// nameStart is the position where the line's user name begins. A name has at
// least one character, so the search starts at its second: a name that is
// itself a flag word (the user "0010" or "cafe") is not taken for the flag
// field.
int FindFlags(QStringView line, qsizetype nameStart = 1);

// The value of the four hexadecimal digits at 1-based position f, as
// FindFlags found them; nothing when they are not such digits.
std::optional<quint16> flagsAt(QStringView line, qsizetype f);

} // namespace inbound
