#include "LoopbackGateway.h"

#include <QTest>

#include <sys/socket.h>

LoopbackGateway::LoopbackGateway(QObject *parent)
    : QObject(parent)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *s = m_server.nextPendingConnection()) {
            ++m_connections;
            m_client = s;
            connect(s, &QTcpSocket::readyRead, this, [this, s] { m_received += s->readAll(); });
        }
    });
}

bool LoopbackGateway::waitForClient(int timeoutMs)
{
    return QTest::qWaitFor([this] { return !m_client.isNull(); }, timeoutMs);
}

bool LoopbackGateway::waitForBytes(qsizetype n, int timeoutMs)
{
    return QTest::qWaitFor([this, n] { return m_received.size() >= n; }, timeoutMs);
}

void LoopbackGateway::send(const QByteArray &bytes)
{
    if (!m_client)
        return;
    m_client->write(bytes);
    m_client->flush();
}

void LoopbackGateway::sendSplit(const QByteArray &bytes, const QList<qsizetype> &cuts, int pauseMs)
{
    qsizetype from = 0;
    QList<qsizetype> ends = cuts;
    ends.append(bytes.size());
    for (qsizetype to : ends) {
        to = qBound(from, to, bytes.size());
        if (to > from) {
            send(bytes.mid(from, to - from));
            QTest::qWait(pauseMs);
        }
        from = to;
    }
}

void LoopbackGateway::closeClient()
{
    if (m_client)
        m_client->disconnectFromHost();
}

void LoopbackGateway::resetClient()
{
    if (!m_client)
        return;
    // A zero linger time turns the close into a reset.
    const linger hard{1, 0};
    ::setsockopt(int(m_client->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    m_client->abort();
}
