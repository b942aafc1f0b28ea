#pragma once

#include "chathub.h"
#include "flood.h"
#include "guard.h"
#include "member.h"
#include "options.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

class QTcpSocket;

// One client connection: the login handshake, then its lines go to the hub.
class Session : public QObject, public Member
{
    Q_OBJECT

public:
    Session(QTcpSocket *socket, ChatHub &hub, const GatewayOptions &options, QObject *parent);
    ~Session() override;

    void send(const QString &line) override;
    void bannedFrom(ChatHub &hub, const QString &fromChannel, const QString &by) override;

private:
    // Silent: still logged on and connected, but deaf and mute for good.
    enum class State { Handshake, Name, Password, Chat, Silent, Closed };

    void onReadyRead();
    void onDisconnected();
    bool consumeHandshake();
    void handleLine(const QByteArray &line);
    // False when the guard kept the line from the hub.
    bool guardLets(const QByteArray &line);
    void logIn(const QByteArray &password);
    void refuse();
    void startFlood();
    void pumpFlood();
    void goSilent();

    QTcpSocket *m_socket;
    ChatHub &m_hub;
    std::optional<FloodOptions> m_floodOptions;
    std::unique_ptr<FloodGenerator> m_flood;
    std::optional<FloodGuard> m_guard;
    QTimer m_keepAlive;
    QTimer m_silence; // single shot from the login; idle without --silent-after
    std::optional<qint64> m_silentAfterMs;
    QByteArray m_buffer;
    State m_state = State::Handshake;
    qsizetype m_handshakeSeen = 0;
    QByteArray m_wantedName;
    bool m_loggedOn = false;
};
