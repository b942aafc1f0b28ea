#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>

// The program's one connection, with the small set of operations the windows
// use: configure, connect, send bytes, read everything received as bytes,
// read the state. What the bytes mean as text is for the protocol layer.
class Winsock : public QObject
{
    Q_OBJECT
public:
    // State codes as the callers know them; only Connected (7) is tested.
    enum State : qint16 {
        Closed = 0,
        Open = 1,
        Listening = 2,
        ConnectionPending = 3,
        ResolvingHost = 4,
        HostResolved = 5,
        Connecting = 6,
        Connected = 7,
        Closing = 8,
        Error = 9,
    };

    static constexpr int ProtocolTcp = 0;
    // Bytes the socket holds before it stops reading from the network and
    // lets TCP slow the server down.
    static constexpr qint64 ReadBufferLimit = 1 << 20;

    explicit Winsock(QObject *parent = nullptr);

    bool setProtocol(int protocol);
    void setRemoteHost(const QString &host) { m_host = host; }
    QString remoteHost() const { return m_host; }
    void setRemotePort(qint32 port) { m_port = port; }
    qint32 remotePort() const { return m_port; }

    // Starts connecting and returns at once. Refused (false) while a
    // connection is open or being made, or with an unusable port.
    bool Connect();
    // Ends the connection, or the attempt to make one, at once; whatever
    // was not read or sent yet is dropped.
    void Close();

    // Sends the bytes as one write. False, without blocking, unless the
    // connection is up: a line the user sees echoed must really have gone
    // out, and bytes queued on an attempt that then fails are thrown away.
    bool SendData(const QByteArray &bytes);
    // The login handshake alone may also be written while the connection is
    // still being made (it goes out once it is up), since a fast typist can
    // beat a slow connect; if the attempt fails, the watchdog says so.
    bool SendHandshake(const QByteArray &bytes);

    // Everything received and not read before; with a limit, at most that
    // many bytes of it.
    QByteArray GetData(qint64 maxBytes = -1);
    qint64 bytesAvailable() const { return m_socket.bytesAvailable(); }

    State state() const;
    // Which Connect() the socket is on: an event about an earlier one is
    // old news.
    quint64 attempt() const { return m_attempt; }

signals:
    // Queued: the receiver may be busy when bytes come in, and Qt does not
    // announce readyRead again while a slot for it is still running.
    void DataArrival(qint64 bytesTotal);
    // Every successful send, as the bytes that went to the socket.
    void dataSent(const QByteArray &bytes);
    // An open connection ended: closed by either side, reset or lost.
    void connectionEnded();
    // The connection of that attempt is gone, by no Close() of ours: it was
    // open (wasOpen) and ended, or it could never be made.
    void attemptEnded(quint64 attempt, bool wasOpen);

private:
    bool write(const QByteArray &bytes);
    void announce();

    QTcpSocket m_socket;
    QString m_host;
    qint32 m_port = 0;
    bool m_announcePending = false;
    bool m_failed = false;
    quint64 m_attempt = 0;
    bool m_live = false; // an attempt is under way or open, and not closed by us
    bool m_open = false;
};
