#pragma once

#include "bots.h"
#include "chathub.h"
#include "options.h"

#include <QObject>
#include <QTcpServer>

#include <memory>

// Accepts clients on 127.0.0.1 and hands each to a Session, or to a
// ReplaySender in replay mode.
class Gateway : public QObject
{
    Q_OBJECT

public:
    explicit Gateway(const GatewayOptions &options, QObject *parent = nullptr);
    ~Gateway() override;

    bool listen(QString *error);
    quint16 port() const;
    void close();

private:
    void onNewConnection();

    GatewayOptions m_options;
    ChatHub m_hub;
    QTcpServer m_server;
    std::unique_ptr<BotCrowd> m_bots; // after m_hub: bots log off on destruction
};
