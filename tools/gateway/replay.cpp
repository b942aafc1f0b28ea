#include "replay.h"

#include <QTcpSocket>
#include <QTimer>

ReplaySender::ReplaySender(QTcpSocket *socket, const ReplayOptions &options, QObject *parent)
    : QObject(parent), m_socket(socket), m_options(options)
{
    m_socket->setParent(this);
    // The replay ignores whatever the client says.
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { m_socket->readAll(); });
    connect(m_socket, &QTcpSocket::bytesWritten, this, &ReplaySender::onBytesWritten);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater, Qt::QueuedConnection);
    sendNext();
}

void ReplaySender::sendNext()
{
    if (m_offset >= m_options.data.size() || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    const int size = m_options.chunks.at(m_chunk % m_options.chunks.size());
    m_socket->write(m_options.data.mid(m_offset, size));
    m_offset += size;
    ++m_chunk;
    m_socket->flush();
    // The pause only separates reads once the chunk has really left.
    m_draining = m_socket->bytesToWrite() > 0;
    if (!m_draining)
        QTimer::singleShot(m_options.delayMs, this, &ReplaySender::sendNext);
}

void ReplaySender::onBytesWritten()
{
    if (m_draining && m_socket->bytesToWrite() == 0) {
        m_draining = false;
        QTimer::singleShot(m_options.delayMs, this, &ReplaySender::sendNext);
    }
}
