// What every transcript line goes through: the time of day in front, the
// log, and the transcript's menu that turns the times on and off.
#include "app/frmBot.h"

#include "app/Settings.h"
#include "inbound/ChatLog.h"
#include "inbound/ShownText.h"
#include "inbound/TranscriptBox.h"
#include "protocol/Concat.h"

#include <QDateTime>
#include <QMenu>

#include <cstdio>

void frmBot::showLine(QStringView line)
{
    QString *logged = nullptr;
    if (m_log) {
        if (CurrentChannel != m_logChannel || m_log->path().isEmpty()) {
            m_logChannel = CurrentChannel;
            m_log->setPlace(QStringLiteral("%1:%2").arg(m_gatewayHost).arg(m_gatewayPort), m_logChannel);
        }
        logged = m_log->beginLine();
    }
    if (m_timestamps) {
        // Made again once a minute, not for each line of a flood.
        const qint64 minute = QDateTime::currentSecsSinceEpoch() / 60;
        if (minute != m_stampMinute) {
            m_stampMinute = minute;
            m_stamp = QDateTime::currentDateTime().toString(QStringLiteral("[HH:mm] "));
        }
        Text2->appendLine(wire::concat({m_stamp, line}));
        // The log has its own date and time in front.
        if (logged)
            inbound::appendShown(*logged, line, inbound::MaxLineShown);
    } else {
        // The transcript makes the shown text; the log takes a copy.
        Text2->appendLine(line, logged);
    }
    if (logged)
        m_log->endLine();
}

void frmBot::setTimestamps(bool on, const QString &settingsFile)
{
    m_timestamps = on;
    m_settingsFile = settingsFile;
}

void frmBot::setLog(bool on, const QString &dataHome)
{
    delete m_log;
    m_log = nullptr;
    m_logChannel.clear();
    if (!on)
        return;
    m_log = new ChatLog(dataHome, this);
    connect(m_log, &ChatLog::failed, this, [this](const QString &why) {
        // Not through showLine: the log is what failed.
        Text2->appendLine(QStringLiteral("-!- The transcript is not being logged: %1.").arg(why));
    });
}

void frmBot::wireTranscript()
{
    Text2->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Text2, &QWidget::customContextMenuRequested, this, &frmBot::Text2_ContextMenu);
}

void frmBot::Text2_ContextMenu(const QPoint &at)
{
    QMenu *menu = Text2->createStandardContextMenu(at);
    menu->addSeparator();
    QAction *times = menu->addAction(QStringLiteral("Show &Times"));
    times->setCheckable(true);
    times->setChecked(m_timestamps);
    connect(times, &QAction::toggled, this, [this](bool on) {
        m_timestamps = on;
        if (m_settingsFile.isEmpty())
            return;
        const QString why = app::writeSetting(m_settingsFile, QStringLiteral("timestamps"),
                                              on ? QStringLiteral("on") : QStringLiteral("off"));
        if (!why.isEmpty())
            std::fprintf(stderr, "quillon: %s: cannot keep the choice: %s\n", qPrintable(m_settingsFile),
                         qPrintable(why));
    });
    menu->exec(Text2->viewport()->mapToGlobal(at));
    delete menu;
}
