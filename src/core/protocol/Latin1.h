#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

// The wire carries 8-bit text. Latin-1 is the one mapping in which every byte
// value is exactly one character and comes back unchanged, so positions and
// lengths counted in characters are also counted in bytes.
namespace wire {

inline QString fromWire(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes);
}

// Characters beyond U+00FF cannot travel; QString turns them into '?'.
inline QByteArray toWire(QStringView text)
{
    return text.toLatin1();
}

// The text as the other side gets it: what was sent, read back the way a
// received line is read.
inline QString asSent(QStringView text)
{
    return fromWire(toWire(text));
}

} // namespace wire
