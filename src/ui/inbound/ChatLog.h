#pragma once

#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>
#include <QTimer>

// The transcript, line by line, in a file per server and channel under the
// user's data folder, each line behind the date and time it was shown.
// Lines are gathered in memory and written at most a second later, and all
// of them when the log is destroyed, so a flood costs a write now and then,
// not one per line. A folder or a file that cannot be written is told once,
// and the log then stays quiet: chat goes on.
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
    // One transcript line as received or echoed, without its line end; it
    // is written as the transcript shows it.
    void append(QStringView line);
    void flush();
    QString path() const { return m_path; }

signals:
    // Once: why nothing more will be written.
    void failed(const QString &why);

private:
    void fail(const QString &why);

    QString m_dataHome;
    QString m_path;
    QFile m_file;
    // Kept as text and made UTF-8 in one go at the flush: a flood of lines
    // then costs no allocation per line.
    QString m_pending;
    QTimer m_flushDue;
    // The date and time text, made again only when the second changes.
    qint64 m_stampSecond = -1;
    QString m_stamp;
    bool m_failed = false;
};
