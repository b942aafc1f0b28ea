#include "inbound/ChatLog.h"

#include "inbound/LogNames.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <ctime>

#include <sys/stat.h>

ChatLog::ChatLog(const QString &dataHome, QObject *parent)
    : QObject(parent)
    , m_dataHome(dataHome)
{
    m_flushDue.setSingleShot(true);
    connect(&m_flushDue, &QTimer::timeout, this, &ChatLog::handOver);
    m_writer = std::thread([this] { writeAll(); });
}

ChatLog::~ChatLog()
{
    flush();
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_writer.join();
}

void ChatLog::setPlace(const QString &server, const QString &channel)
{
    const QString path = inbound::logFilePath(m_dataHome, server, channel);
    if (path == m_path)
        return;
    handOver();
    m_path = path;
}

QString *ChatLog::beginLine()
{
    if (m_failed || m_path.isEmpty())
        return nullptr;
    // The coarse clock: a flood reads it for every line, and the second
    // it gives is all the stamp needs.
    timespec ts;
    ::clock_gettime(CLOCK_REALTIME_COARSE, &ts);
    if (ts.tv_sec != m_stampSecond) {
        m_stampSecond = ts.tv_sec;
        m_stamp = QDateTime::fromSecsSinceEpoch(ts.tv_sec).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss "));
    }
    m_pending += m_stamp;
    return &m_pending;
}

void ChatLog::endLine()
{
    m_pending += u'\n';
    // A flood must not gather more than this between two hand-overs.
    if (m_pending.size() > MostPending)
        handOver();
    else if (!m_flushDue.isActive())
        m_flushDue.start(FlushEveryMs);
}

void ChatLog::handOver()
{
    m_flushDue.stop();
    if (m_failed || m_pending.isEmpty())
        return;
    {
        std::lock_guard lock(m_mutex);
        m_batches.append({m_path, std::exchange(m_pending, QString())});
    }
    m_wake.notify_one();
}

void ChatLog::flush()
{
    handOver();
    std::unique_lock lock(m_mutex);
    m_written.wait(lock, [this] { return m_batches.isEmpty() && !m_writing; });
}

void ChatLog::writeAll()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_batches.isEmpty(); });
        if (m_batches.isEmpty())
            return;
        const Batch batch = m_batches.takeFirst();
        m_writing = true;
        lock.unlock();
        const QString why = m_broken ? QString() : write(batch);
        lock.lock();
        m_writing = false;
        if (!why.isEmpty()) {
            m_broken = true;
            m_batches.clear();
            std::fprintf(stderr, "quillon: the transcript is not being logged: %s\n", qPrintable(why));
            // Told in the window by its own thread; dropped if the log is
            // already going.
            QMetaObject::invokeMethod(this, [this, why] {
                m_failed = true;
                m_pending.clear();
                emit failed(why);
            }, Qt::QueuedConnection);
        }
        m_written.notify_all();
    }
}

QString ChatLog::write(const Batch &batch)
{
    if (m_file.fileName() != batch.path || !m_file.isOpen()) {
        m_file.close();
        // Private: a chat log is nobody else's to read. mkpath would give
        // the folders the usual mode, so each is made and set here.
        const QString folder = QFileInfo(batch.path).absolutePath();
        QString made = QDir::rootPath();
        for (const QString &part : folder.split(u'/', Qt::SkipEmptyParts)) {
            made = QDir(made).filePath(part);
            if (!QFileInfo::exists(made)
                && (!QDir().mkdir(made) || ::chmod(QFile::encodeName(made).constData(), 0700) != 0))
                return QStringLiteral("cannot make the folder %1").arg(made);
        }
        m_file.setFileName(batch.path);
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return QStringLiteral("cannot write %1: %2").arg(batch.path, m_file.errorString());
    }
    // Shown text has no half characters, so UTF-8 takes it whole.
    const QByteArray bytes = batch.text.toUtf8();
    if (m_file.write(bytes) != bytes.size() || !m_file.flush())
        return QStringLiteral("cannot write %1: %2").arg(batch.path, m_file.errorString());
    return {};
}
