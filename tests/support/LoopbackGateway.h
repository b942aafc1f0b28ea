#pragma once

#include <QByteArray>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

// A gateway for tests: listens on loopback, records every byte the client
// sends, and sends whatever a test gives it, split wherever the test wants.
class LoopbackGateway : public QObject
{
    Q_OBJECT
public:
    explicit LoopbackGateway(QObject *parent = nullptr);

    quint16 port() const { return m_server.serverPort(); }
    QString host() const { return QStringLiteral("127.0.0.1"); }

    // Waits for the client to connect (and returns whether it did).
    bool waitForClient(int timeoutMs = 5000);
    QTcpSocket *client() const { return m_client; }
    int connections() const { return m_connections; }

    // Every byte received from the client so far.
    const QByteArray &received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    // Waits until at least n bytes have been received.
    bool waitForBytes(qsizetype n, int timeoutMs = 5000);

    void send(const QByteArray &bytes);
    // Sends the bytes in pieces, cut before each given offset, and lets the
    // client read each piece on its own before the next goes out.
    void sendSplit(const QByteArray &bytes, const QList<qsizetype> &cuts, int pauseMs = 30);

    // Orderly close, and a reset (RST) of the client's connection.
    void closeClient();
    void resetClient();
    void stopListening() { m_server.close(); }

private:
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QByteArray m_received;
    int m_connections = 0;
};
