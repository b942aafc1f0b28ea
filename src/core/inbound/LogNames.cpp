#include "inbound/LogNames.h"

#include "protocol/WireText.h"

#include <QCryptographicHash>

namespace inbound {

namespace {

constexpr qsizetype MostBytes = 200;

bool keeps(QStringView name, qsizetype i)
{
    const QChar c = name[i];
    if (c == u'.')
        return i > 0;
    if (c == u' ' || c == u'-' || c == u'_')
        return true;
    // A stray byte's stand-in is not a letter, and a pair is judged whole.
    if (c.isSurrogate())
        return wire::startsPair(name, i) && QChar::isLetterOrNumber(QChar::surrogateToUcs4(c, name[i + 1]));
    return c.isLetterOrNumber();
}

} // namespace

QString safeFileName(QStringView name)
{
    QString out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const qsizetype n = wire::startsPair(name, i) ? 2 : 1;
        if (keeps(name, i)) {
            out += name.sliced(i, n);
        } else {
            for (const char byte : wire::toWire(name.sliced(i, n)))
                out += QStringLiteral("%%1").arg(uchar(byte), 2, 16, QLatin1Char('0')).toUpper();
        }
        i += n - 1;
    }
    // The empty name: a lone '%' is never what an encoding makes.
    if (out.isEmpty())
        return QStringLiteral("%");
    if (out.toUtf8().size() > MostBytes) {
        const QByteArray hash = QCryptographicHash::hash(wire::toWire(name), QCryptographicHash::Sha1).toHex();
        QByteArray cut = out.toUtf8().left(MostBytes - 1 - hash.size());
        // Never end inside a character.
        while (!cut.isEmpty() && (uchar(cut.back()) & 0xC0) == 0x80)
            cut.chop(1);
        if (!cut.isEmpty() && uchar(cut.back()) >= 0xC0)
            cut.chop(1);
        out = QString::fromUtf8(cut) + u'~' + QString::fromLatin1(hash);
    }
    return out;
}

QString logFilePath(QStringView dataHome, QStringView server, QStringView channel)
{
    return dataHome.toString() + QStringLiteral("/quillon/logs/") + safeFileName(server) + u'/'
        + safeFileName(channel) + QStringLiteral(".log");
}

} // namespace inbound
