#pragma once

#include "outbound/Pacing.h"
#include "protocol/GatewayAddress.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The settings file, for a Quillon started from the desktop's menu, where
// there is no command line to name a gateway, a pace or reconnecting.
// Quillon reads it and never writes it.
namespace app {

// How what is sent is paced: off, or by a gateway's flood rule.
struct Pace
{
    bool on = true;
    outbound::PaceRule rule;
    bool operator==(const Pace &) const = default;
};

// on, off, or the rule's four numbers as a server states them: the units
// at which it refuses, the window in seconds, the bytes of a unit and the
// longest line, as in 5,5,40,200. Returns why the value was refused, or an
// empty text with *out filled in.
QString parsePace(QStringView value, Pace *out);
QString paceText(const Pace &pace);

// on or off, as reconnect, timestamps and log take them.
QString parseOnOff(QStringView value, bool *on);

struct FileSettings
{
    struct Refused
    {
        QString key;
        QString value;
        QString why;
        bool operator==(const Refused &) const = default;
    };
    std::optional<wire::GatewayAddress> server;
    std::optional<Pace> pace;
    std::optional<bool> reconnect;
    std::optional<bool> timestamps; // the time of day in front of transcript lines
    std::optional<bool> log;        // the transcript kept in files
    QList<Refused> refused; // values that cannot be used, and why
    QStringList unknownKeys;
    QString unreadable;     // why nothing in the file could be read
};

// $XDG_CONFIG_HOME/quillon/quillon.conf, ~/.config/quillon/quillon.conf by
// default.
QString settingsPath();
// A file that does not exist says nothing.
FileSettings readSettings(const QString &path, qint32 defaultPort);

// Sets key=value in the file, the first such line in place and every
// other line as it stands, or a new line at the end; makes the file and its
// folder when there are none. Returns why it could not, or an empty text.
QString writeSetting(const QString &path, const QString &key, const QString &value);

} // namespace app
