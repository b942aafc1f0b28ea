#include "session.h"

#include "wire.h"

#include <QTcpSocket>

namespace {

const QByteArray Handshake("\x03\x04\r\n\r\n", 6);
// Prose without a code, as a real service asks for the login.
const QByteArray Prompt("Enter your name and password.\r\n");

// Only guards against a peer that never ends its line.
constexpr qsizetype MaxPendingBytes = 64 * 1024;

// The flood is written in pieces and refilled once the socket has drained
// below the high-water mark, so memory stays flat however long it runs.
constexpr qsizetype FloodPiece = 256 * 1024;
constexpr qint64 FloodHighWater = 512 * 1024;

bool isValidName(const QByteArray &name)
{
    if (name.isEmpty() || name.size() > 32)
        return false;
    for (const char c : name) {
        if (uchar(c) <= 0x20 || uchar(c) == 0x7f)
            return false;
    }
    return true;
}

bool mayOmitPassword(const QByteArray &name)
{
    return name == "Wayfarers" || name == "wayfarers" || name == "Nomad" || name == "nomad";
}

} // namespace

Session::Session(QTcpSocket *socket, ChatHub &hub, const GatewayOptions &options, QObject *parent)
    : QObject(parent), m_socket(socket), m_hub(hub), m_floodOptions(options.flood),
      m_silentAfterMs(options.silentAfterMs)
{
    if (options.guardTickMs)
        m_guard.emplace(*options.guardTickMs);
    // Precise: clients judge the link by how steady this rhythm is.
    m_keepAlive.setTimerType(Qt::PreciseTimer);
    m_keepAlive.setInterval(int(options.nullEveryMs));
    connect(&m_keepAlive, &QTimer::timeout, this, [this] { send(gw::keepAlive()); });
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, &Session::goSilent);
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &Session::onReadyRead);
    // Queued, so a member never leaves the hub while the hub is sending to it.
    connect(m_socket, &QTcpSocket::disconnected, this, &Session::onDisconnected,
            Qt::QueuedConnection);
}

Session::~Session()
{
    if (m_loggedOn)
        m_hub.logOff(this);
}

void Session::send(const QString &line)
{
    if (m_state == State::Chat)
        m_socket->write(gw::encode(line));
}

void Session::bannedFrom(ChatHub &hub, const QString &fromChannel, const QString &by)
{
    Q_UNUSED(by);
    hub.enter(this, fromChannel.compare(ChatHub::ExileChannel, Qt::CaseInsensitive) == 0
                        ? ChatHub::DefaultChannel
                        : ChatHub::ExileChannel);
}

void Session::onReadyRead()
{
    m_buffer += m_socket->readAll();
    if (m_state == State::Handshake && !consumeHandshake())
        return;

    qsizetype start = 0;
    while (m_state != State::Closed && start < m_buffer.size()) {
        const qsizetype end = m_buffer.indexOf('\n', start);
        if (end < 0)
            break;
        QByteArray line = m_buffer.mid(start, end - start);
        if (line.endsWith('\r'))
            line.chop(1);
        start = end + 1;
        handleLine(line);
    }
    if (m_state == State::Closed) {
        m_buffer.clear();
        return;
    }
    m_buffer.remove(0, start);
    if (m_buffer.size() > MaxPendingBytes) {
        m_state = State::Closed;
        m_buffer.clear();
        m_socket->disconnectFromHost();
    }
}

void Session::onDisconnected()
{
    m_flood.reset();
    if (m_loggedOn)
        m_hub.logOff(this);
    m_loggedOn = false;
    m_state = State::Closed;
    deleteLater();
}

bool Session::consumeHandshake()
{
    qsizetype used = 0;
    while (m_handshakeSeen < Handshake.size() && used < m_buffer.size()) {
        if (m_buffer.at(used) != Handshake.at(m_handshakeSeen)) {
            refuse();
            return false;
        }
        ++used;
        ++m_handshakeSeen;
    }
    m_buffer.remove(0, used);
    if (m_handshakeSeen < Handshake.size())
        return false;

    m_socket->write("Connected to the Quillon demo gateway.\r\n" + Prompt);
    m_state = State::Name;
    return true;
}

void Session::handleLine(const QByteArray &line)
{
    switch (m_state) {
    case State::Name:
        m_wantedName = line.trimmed();
        m_state = State::Password;
        break;
    case State::Password:
        logIn(line);
        break;
    case State::Chat:
        if (guardLets(line))
            m_hub.handleLine(this, QString::fromLatin1(line));
        break;
    case State::Handshake:
    case State::Silent:
    case State::Closed:
        break;
    }
}

bool Session::guardLets(const QByteArray &line)
{
    if (!m_guard)
        return true;
    switch (m_guard->check(line.size())) {
    case FloodGuard::Verdict::Pass:
        return true;
    case FloodGuard::Verdict::TooLong:
        send(gw::error(QStringLiteral("That line is longer than 200 bytes and was not sent.")));
        return false;
    case FloodGuard::Verdict::Refuse:
        send(gw::error(QStringLiteral("Slow down: you are sending too fast, and that line was not sent.")));
        return false;
    case FloodGuard::Verdict::Disconnect:
        send(gw::error(QStringLiteral("Disconnected for flooding.")));
        m_state = State::Closed;
        m_socket->disconnectFromHost();
        return false;
    }
    return false;
}

void Session::logIn(const QByteArray &password)
{
    if (!isValidName(m_wantedName) || (password.isEmpty() && !mayOmitPassword(m_wantedName))) {
        refuse();
        return;
    }
    const QString wanted = QString::fromLatin1(m_wantedName);
    if (!mayOmitPassword(m_wantedName) && !m_hub.admits(wanted, password)) {
        // A wrong password, or an account already on elsewhere: real servers
        // ask again and keep the connection.
        m_socket->write("Login failed.\r\n" + Prompt);
        m_state = State::Name;
        return;
    }
    m_state = State::Chat;
    const QString given = m_hub.logOn(this, wanted);
    m_loggedOn = true;
    send(gw::name(given));
    m_hub.enter(this, m_hub.isBanned(ChatHub::DefaultChannel, given) ? ChatHub::ExileChannel
                                                                     : ChatHub::DefaultChannel);
    send(gw::info(QStringLiteral("Welcome to the Quillon demo gateway, %1. Type /help for the commands.")
                        .arg(given)));
    m_keepAlive.start();
    if (m_silentAfterMs)
        m_silence.start(int(*m_silentAfterMs));
    if (m_floodOptions)
        startFlood();
}

void Session::refuse()
{
    m_state = State::Closed;
    m_socket->write("Login failed.\r\n");
    m_socket->disconnectFromHost();
}

void Session::startFlood()
{
    QList<std::pair<QString, QString>> others;
    const QList<Member *> present = m_hub.membersOf(channel);
    for (const Member *m : present) {
        if (m != this)
            others.append({m->name, m->flags});
    }
    m_flood = std::make_unique<FloodGenerator>(m_floodOptions->lines, m_floodOptions->mix,
                                               m_floodOptions->seed, name, others);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &Session::pumpFlood);
    pumpFlood();
}

void Session::pumpFlood()
{
    if (!m_flood)
        return;
    while (!m_flood->done() && m_socket->bytesToWrite() < FloodHighWater) {
        QByteArray piece;
        piece.reserve(FloodPiece + 512);
        while (!m_flood->done() && piece.size() < FloodPiece)
            m_flood->appendLine(piece);
        m_socket->write(piece);
    }
    if (m_flood->done()) {
        gw::printOut(m_flood->summary());
        m_flood.reset();
        disconnect(m_socket, &QTcpSocket::bytesWritten, this, &Session::pumpFlood);
    }
}

void Session::goSilent()
{
    // Like a peer whose laptop slept: the member stays logged on and the
    // connection open, so only the client's own watch can find it dead.
    m_state = State::Silent;
    m_keepAlive.stop();
    m_flood.reset();
    disconnect(m_socket, &QTcpSocket::bytesWritten, this, &Session::pumpFlood);
    disconnect(m_socket, &QTcpSocket::readyRead, this, &Session::onReadyRead);
    m_buffer.clear();
    // Qt stops taking bytes from the kernel once its buffer is full, so what
    // the client sends from now on piles up unread, and its end of the
    // connection fills up as toward a host that is gone.
    m_socket->setReadBufferSize(1);
}
