#include "app/Settings.h"

#include <QFileInfo>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace app {

namespace {

// Bounds that keep the rule meaningful: a unit and a line that a
// character of four bytes fits in, and a window a person can wait for.
constexpr int MostRefuseAt = 1000;
constexpr qint64 MostWindowSeconds = 600;
constexpr int MostBytes = 65535;

bool number(QStringView text, qint64 least, qint64 most, qint64 *out)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (!ok || value < least || value > most || text.trimmed().startsWith(u'+'))
        return false;
    *out = value;
    return true;
}

} // namespace

QString parsePace(QStringView value, Pace *out)
{
    const QStringView v = value.trimmed();
    if (v == u"off" || v == u"on") {
        *out = Pace{v == u"on", outbound::PaceRule{}};
        return {};
    }
    const auto parts = v.split(u',');
    if (parts.size() != 4)
        return QStringLiteral("not on, off or four numbers REFUSE,WINDOW,UNIT,LONGEST (as 5,5,40,200)");
    qint64 refuseAt = 0, window = 0, unit = 0, longest = 0;
    if (!number(parts[0], 2, MostRefuseAt, &refuseAt))
        return QStringLiteral("the units at which a server refuses must be a number from 2 to %1").arg(MostRefuseAt);
    if (!number(parts[1], 1, MostWindowSeconds, &window))
        return QStringLiteral("the window must be a number of seconds from 1 to %1").arg(MostWindowSeconds);
    if (!number(parts[2], 4, MostBytes, &unit))
        return QStringLiteral("the bytes of a unit must be a number from 4 to %1").arg(MostBytes);
    if (!number(parts[3], 4, MostBytes, &longest))
        return QStringLiteral("the longest line must be a number of bytes from 4 to %1").arg(MostBytes);
    *out = Pace{true, outbound::PaceRule{int(refuseAt), window * 1000, int(unit), int(longest)}};
    return {};
}

QString paceText(const Pace &pace)
{
    if (!pace.on)
        return QStringLiteral("off");
    const outbound::PaceRule &r = pace.rule;
    return QStringLiteral("%1,%2,%3,%4").arg(r.refuseAt).arg(r.windowMs / 1000).arg(r.bytesPerUnit).arg(r.longestLine);
}

QString parseOnOff(QStringView value, bool *on)
{
    const QStringView v = value.trimmed();
    if (v != u"on" && v != u"off")
        return QStringLiteral("not on or off");
    *on = v == u"on";
    return {};
}

QString settingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/quillon/quillon.conf");
}

FileSettings readSettings(const QString &path, qint32 defaultPort)
{
    FileSettings out;
    if (!QFileInfo::exists(path))
        return out;
    if (!QFileInfo(path).isReadable()) {
        out.unreadable = QStringLiteral("cannot be read");
        return out;
    }
    const QSettings file(path, QSettings::IniFormat);
    if (file.status() != QSettings::NoError) {
        out.unreadable = QStringLiteral("is not a settings file Quillon can read");
        return out;
    }
    for (const QString &key : file.allKeys()) {
        // A value with commas comes back as a list: join it as written.
        const QVariant v = file.value(key);
        const QString value = v.typeId() == QMetaType::QStringList ? v.toStringList().join(u',') : v.toString();
        QString why;
        if (key == u"server") {
            wire::GatewayAddress address;
            why = wire::parseGatewayAddress(value, defaultPort, &address);
            if (why.isEmpty())
                out.server = address;
        } else if (key == u"pace") {
            Pace pace;
            why = parsePace(value, &pace);
            if (why.isEmpty())
                out.pace = pace;
        } else if (key == u"reconnect" || key == u"timestamps" || key == u"log") {
            bool on = true;
            why = parseOnOff(value, &on);
            if (why.isEmpty())
                (key == u"reconnect" ? out.reconnect : key == u"log" ? out.log : out.timestamps) = on;
        } else {
            out.unknownKeys << key;
        }
        if (!why.isEmpty())
            out.refused.append({key, value, why});
    }
    return out;
}

QString writeSetting(const QString &path, const QString &key, const QString &value)
{
    // Written by hand rather than through QSettings, which would drop the
    // comments the example file and the user put there.
    QFile in(path);
    QList<QByteArray> lines;
    if (in.exists()) {
        if (!in.open(QIODevice::ReadOnly))
            return in.errorString();
        lines = in.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
    }
    const QByteArray wanted = (key + u'=' + value).toUtf8();
    bool done = false;
    for (QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (!done && eq > 0 && line.left(eq).trimmed() == key.toUtf8()) {
            line = wanted;
            done = true;
        }
    }
    if (!done)
        lines.append(wanted);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("cannot make its folder");
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return out.errorString();
    out.write(lines.join('\n') + '\n');
    return out.commit() ? QString() : out.errorString();
}

} // namespace app
