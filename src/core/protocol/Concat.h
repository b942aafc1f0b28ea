#pragma once

#include <QString>
#include <QStringView>

#include <initializer_list>

namespace wire {

// Joins texts with one allocation. Lines are built from pieces on both
// roads, received and sent.
inline QString concat(std::initializer_list<QStringView> parts)
{
    qsizetype n = 0;
    for (QStringView p : parts)
        n += p.size();
    QString out;
    out.reserve(n);
    for (QStringView p : parts)
        out.append(p);
    return out;
}

} // namespace wire
