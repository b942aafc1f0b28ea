#include "connection/Winsock.h"

#include <QMetaObject>

#include <utility>

Winsock::Winsock(QObject *parent)
    : QObject(parent)
{
    m_socket.setReadBufferSize(ReadBufferLimit);
    connect(&m_socket, &QTcpSocket::readyRead, this, &Winsock::announce);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, [this] { m_failed = true; });
    connect(&m_socket, &QTcpSocket::disconnected, this, &Winsock::connectionEnded);
    connect(&m_socket, &QTcpSocket::connected, this, [this] { m_open = true; });
    connect(&m_socket, &QTcpSocket::stateChanged, this, [this](QAbstractSocket::SocketState state) {
        if (state != QAbstractSocket::UnconnectedState || !m_live)
            return;
        m_live = false;
        emit attemptEnded(m_attempt, std::exchange(m_open, false));
    });
}

bool Winsock::setProtocol(int protocol)
{
    return protocol == ProtocolTcp;
}

bool Winsock::Connect()
{
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        return false;
    if (m_port <= 0 || m_port > 65535 || m_host.isEmpty())
        return false;
    m_failed = false;
    ++m_attempt;
    m_live = true;
    m_open = false;
    m_socket.connectToHost(m_host, quint16(m_port));
    return true;
}

void Winsock::Close()
{
    m_live = m_open = false;
    m_socket.abort();
    m_failed = false;
}

bool Winsock::SendData(const QByteArray &bytes)
{
    return m_socket.state() == QAbstractSocket::ConnectedState && write(bytes);
}

bool Winsock::SendHandshake(const QByteArray &bytes)
{
    switch (m_socket.state()) {
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
    case QAbstractSocket::ConnectedState:
        return write(bytes);
    default:
        return false;
    }
}

bool Winsock::write(const QByteArray &bytes)
{
    if (m_socket.write(bytes) != bytes.size())
        return false;
    emit dataSent(bytes);
    return true;
}

QByteArray Winsock::GetData(qint64 maxBytes)
{
    return maxBytes < 0 ? m_socket.readAll() : m_socket.read(maxBytes);
}

Winsock::State Winsock::state() const
{
    switch (m_socket.state()) {
    case QAbstractSocket::UnconnectedState: return m_failed ? Error : Closed;
    case QAbstractSocket::HostLookupState: return ResolvingHost;
    case QAbstractSocket::ConnectingState: return Connecting;
    case QAbstractSocket::ConnectedState: return Connected;
    case QAbstractSocket::BoundState: return Open;
    case QAbstractSocket::ListeningState: return Listening;
    case QAbstractSocket::ClosingState: return Closing;
    }
    return Closed;
}

void Winsock::announce()
{
    if (m_announcePending)
        return;
    m_announcePending = true;
    QMetaObject::invokeMethod(this, [this] {
        m_announcePending = false;
        if (m_socket.bytesAvailable() > 0)
            emit DataArrival(m_socket.bytesAvailable());
    }, Qt::QueuedConnection);
}
