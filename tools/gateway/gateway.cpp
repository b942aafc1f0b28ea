#include "gateway.h"

#include "replay.h"
#include "session.h"

#include <QTcpSocket>

Gateway::Gateway(const GatewayOptions &options, QObject *parent)
    : QObject(parent), m_options(options)
{
    connect(&m_server, &QTcpServer::newConnection, this, &Gateway::onNewConnection);
    if (m_options.bots && !m_options.replay)
        m_bots = std::make_unique<BotCrowd>(m_hub, m_options.botTickMs);
}

Gateway::~Gateway()
{
    // Sessions log off from m_hub, which is gone once ~QObject deletes children.
    qDeleteAll(findChildren<Session *>(Qt::FindDirectChildrenOnly));
}

bool Gateway::listen(QString *error)
{
    if (m_server.listen(QHostAddress::LocalHost, m_options.port))
        return true;
    *error = m_server.errorString();
    return false;
}

quint16 Gateway::port() const
{
    return m_server.serverPort();
}

void Gateway::close()
{
    m_server.close();
}

void Gateway::onNewConnection()
{
    // Bounded by the pending queue, which is at most the listen backlog.
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_options.replay)
            new ReplaySender(socket, *m_options.replay, this);
        else
            new Session(socket, m_hub, m_options, this);
    }
}
