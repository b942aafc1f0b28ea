#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The one place where bytes of the wire become text and back. Gateways relay
// what game clients send, and those send UTF-8; older clients send 8-bit
// text. A line is read as UTF-8 wherever its bytes are valid UTF-8; every
// other byte (always 80 to FF) stands for itself as one reserved character,
// U+DC80 to U+DCFF, which is shown as its Latin-1 character and written back
// as the byte. So any byte string read and written back is the same bytes:
// a name from the list goes back to the service exactly as it came.
namespace wire {

inline constexpr char16_t StrayByteBase = 0xDC00;

// Whether the units at i and i + 1 are the two halves of one character.
constexpr bool startsPair(QStringView text, qsizetype i)
{
    return i >= 0 && i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
}

// Whether the unit at i stands for a stray byte. The reserved range is also
// where the second half of many a pair lies (U+1F480 to U+1F4FF, where many
// everyday emoji live, end in such a unit), so a unit is only ever judged
// with its neighbour: this is the one place that rule is written.
constexpr bool isStrayByteAt(QStringView text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= StrayByteBase + 0x80 && c <= StrayByteBase + 0xFF && !startsPair(text, i - 1);
}

// The byte a stray-byte unit stands for, which is also how it looks on
// screen: as the one-byte-a-character reading of the wire always showed it.
constexpr char16_t strayByte(QChar c)
{
    return char16_t(c.unicode() - StrayByteBase);
}

QString fromWire(QByteArrayView bytes);
// The same into a buffer that keeps its capacity: the receiver decodes every
// line into one, without an allocation per line.
void fromWireInto(QByteArrayView bytes, QString &out);

// UTF-8, stray-byte characters as their bytes. A surrogate that is neither
// half of a pair nor a stray byte cannot be written as UTF-8 and goes out
// as U+FFFD.
QByteArray toWire(QStringView text);

// The text as the other side gets it: what was sent, read back the way a
// received line is read.
inline QString asSent(QStringView text)
{
    return fromWire(toWire(text));
}

} // namespace wire
