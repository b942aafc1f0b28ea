#pragma once

#include "BenchCommon.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <unistd.h>

namespace bench {

// The gateway as a child process; its stdout is read as it comes.
class GatewayProcess
{
public:
    bool start(const QString &exe, const QStringList &mode, int niceness, int timeoutMs)
    {
        m_proc.setProgram(exe);
        m_proc.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet")} + mode);
        m_proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The gateway stands in for a server on another machine: on a small
        // machine it must not take the CPU from the client being measured.
        m_proc.setChildProcessModifier([niceness] { [[maybe_unused]] const int n = ::nice(niceness); });
        QObject::connect(&m_proc, &QProcess::readyReadStandardOutput, [this] { readOut(); });
        m_proc.start();
        if (!m_proc.waitForStarted(timeoutMs))
            return false;
        static const QRegularExpression listening(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"));
        return bench::runUntil([&] {
            for (const QString &l : std::as_const(m_lines)) {
                const auto m = listening.match(l);
                if (m.hasMatch())
                    m_port = m.captured(1).toUShort();
            }
            return m_port != 0;
        }, timeoutMs, 5);
    }
    quint16 port() const { return m_port; }

    // The flood summaries printed so far, parsed: lines, talk, ..., members.
    QList<QHash<QString, qint64>> summaries() const
    {
        QList<QHash<QString, qint64>> all;
        for (const QString &l : m_lines) {
            if (!l.startsWith(QStringLiteral("flood:")))
                continue;
            QHash<QString, qint64> s;
            const QStringList parts = l.mid(6).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            for (const QString &p : parts) {
                const qsizetype eq = p.indexOf(QLatin1Char('='));
                if (eq > 0)
                    s.insert(p.left(eq), p.mid(eq + 1).toLongLong());
            }
            all << s;
        }
        return all;
    }

    void stop()
    {
        m_proc.terminate();
        if (!m_proc.waitForFinished(5000)) {
            m_proc.kill();
            m_proc.waitForFinished(5000);
        }
    }

private:
    void readOut()
    {
        m_partial += m_proc.readAllStandardOutput();
        qsizetype nl;
        while ((nl = m_partial.indexOf('\n')) >= 0) {
            m_lines << QString::fromLocal8Bit(m_partial.left(nl)).trimmed();
            m_partial.remove(0, nl + 1);
        }
    }

    QProcess m_proc;
    QByteArray m_partial;
    QStringList m_lines;
    quint16 m_port = 0;
};

} // namespace bench
