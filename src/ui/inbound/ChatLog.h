#pragma once

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <condition_variable>
#include <mutex>
#include <thread>

// The transcript, line by line, in a file per server and channel under the
// user's data folder, each line behind the date and time it was shown.
// Lines are gathered in memory and handed, at most a second later, to a
// thread of the log's own that encodes and writes them, so a flood costs
// the window little more than the gathering. All of them are written when
// the log is destroyed. A folder or a file that cannot be written is told
// once, and the log then stays quiet: chat goes on.
class ChatLog : public QObject
{
    Q_OBJECT
public:
    static constexpr int FlushEveryMs = 500;
    static constexpr qsizetype MostPending = 1 << 20; // characters

    // dataHome: $XDG_DATA_HOME, or ~/.local/share.
    ChatLog(const QString &dataHome, QObject *parent = nullptr);
    ~ChatLog() override;

    // Where the following lines go.
    void setPlace(const QString &server, const QString &channel);
    // One transcript line, in two steps: the caller appends the line as the
    // transcript shows it (inbound::appendShown), without its line end, to
    // what beginLine() returns, then calls endLine(). None: nothing is
    // being logged. The transcript makes the shown text anyway, so it is
    // not made twice.
    QString *beginLine();
    void endLine();
    // Writes everything gathered so far, and returns once it is written.
    void flush();
    QString path() const { return m_path; }

signals:
    // Once: why nothing more will be written.
    void failed(const QString &why);

private:
    struct Batch
    {
        QString path;
        QString text;
    };
    void handOver();
    void writeAll(); // the writer thread
    QString write(const Batch &batch);

    QString m_dataHome;
    QString m_path;
    // Kept as text and made UTF-8 by the writer: no allocation per line.
    QString m_pending;
    QTimer m_flushDue;
    // The date and time text, made again only when the second changes.
    qint64 m_stampSecond = -1;
    QString m_stamp;
    bool m_failed = false;

    // Shared with the writer, under m_mutex.
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    QList<Batch> m_batches;
    bool m_writing = false;
    bool m_stop = false;
    bool m_broken = false;
    // The writer's own.
    QFile m_file;
    std::thread m_writer;
};
