#include "inbound/ChatLog.h"

#include "inbound/LogNames.h"
#include "inbound/ShownText.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

#include <sys/stat.h>

ChatLog::ChatLog(const QString &dataHome, QObject *parent)
    : QObject(parent)
    , m_dataHome(dataHome)
{
    m_flushDue.setSingleShot(true);
    connect(&m_flushDue, &QTimer::timeout, this, &ChatLog::flush);
}

ChatLog::~ChatLog()
{
    // At exit the window that would show a failure may be gone already:
    // stderr still hears of it.
    blockSignals(true);
    flush();
}

void ChatLog::setPlace(const QString &server, const QString &channel)
{
    const QString path = inbound::logFilePath(m_dataHome, server, channel);
    if (path == m_path)
        return;
    flush();
    m_file.close();
    m_path = path;
}

void ChatLog::append(QStringView line)
{
    if (m_failed || m_path.isEmpty())
        return;
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    if (now != m_stampSecond) {
        m_stampSecond = now;
        m_stamp = QDateTime::fromSecsSinceEpoch(now).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss "));
    }
    m_pending += m_stamp;
    inbound::appendShown(m_pending, line, inbound::MaxLineShown);
    m_pending += u'\n';
    // A flood must not gather more than this between two flushes.
    if (m_pending.size() > MostPending)
        flush();
    else if (!m_flushDue.isActive())
        m_flushDue.start(FlushEveryMs);
}

void ChatLog::flush()
{
    m_flushDue.stop();
    if (m_failed || m_pending.isEmpty())
        return;
    if (!m_file.isOpen()) {
        // Private: a chat log is nobody else's to read. mkpath would give
        // the folders the usual mode, so each is made and set here.
        const QString folder = QFileInfo(m_path).absolutePath();
        QString made = QDir::rootPath();
        for (const QString &part : folder.split(u'/', Qt::SkipEmptyParts)) {
            made = QDir(made).filePath(part);
            if (!QFileInfo::exists(made)) {
                if (!QDir().mkdir(made) || ::chmod(QFile::encodeName(made).constData(), 0700) != 0)
                    return fail(QStringLiteral("cannot make the folder %1").arg(made));
            }
        }
        m_file.setFileName(m_path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return fail(QStringLiteral("cannot write %1: %2").arg(m_path, m_file.errorString()));
    }
    // Shown text has no half characters, so UTF-8 takes it whole.
    const QByteArray bytes = m_pending.toUtf8();
    if (m_file.write(bytes) != bytes.size() || !m_file.flush())
        return fail(QStringLiteral("cannot write %1: %2").arg(m_path, m_file.errorString()));
    m_pending.resize(0); // keeps its room for the next second's lines
}

void ChatLog::fail(const QString &why)
{
    m_failed = true;
    m_pending.clear();
    m_file.close();
    std::fprintf(stderr, "quillon: the transcript is not being logged: %s\n", qPrintable(why));
    emit failed(why);
}
