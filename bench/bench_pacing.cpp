// Pacing, on the wire: a window types 12 short lines at once, then pastes a
// paragraph of 479 characters, against quillon-gateway with its flood guard
// on and the real rule. A second connection, a bare socket in the channel,
// notes when each line reaches it. Every line must arrive, in order, with
// no refusal and no disconnection, and the 12 within 15 s.
//
// Usage: bench_pacing [--gateway PATH] [--pace off]   (off: as without pacing, to compare)
#include "BenchCommon.h"
#include "GatewayProcess.h"

#include "app/frmBot.h"
#include "connection/Globals.h"
#include "protocol/OutboundLines.h"
#include "protocol/WireText.h"

#include <QApplication>
#include <QTcpSocket>

#ifndef QUILLON_GATEWAY_EXE
#define QUILLON_GATEWAY_EXE "quillon-gateway"
#endif

namespace {

constexpr int Lines = 12;

// A member who only listens, and notes when each talk line reaches it.
class Listener
{
public:
    bool open(quint16 port)
    {
        QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] { read(); });
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (!m_socket.waitForConnected(5000))
            return false;
        m_socket.write(wire::toWire(wire::handshakePreamble() + wire::handshakeName(u"listener")
                                    + wire::handshakePassword(u"bench")));
        return bench::runUntil([this] { return m_welcomed; }, 5000);
    }

    QElapsedTimer *clock = nullptr;
    QList<std::pair<qint64, QString>> heard; // ms, the text said

private:
    void read()
    {
        m_pending += m_socket.readAll();
        qsizetype end;
        while ((end = m_pending.indexOf("\r\n")) >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 2);
            m_welcomed = m_welcomed || line.startsWith("1018 INFO \"Welcome");
            static const QByteArray talk = "1005 TALK bencher 0010 \"";
            if (line.startsWith(talk) && clock)
                heard.append({clock->elapsed(), wire::fromWire(line.mid(talk.size()).chopped(1))});
        }
    }

    QTcpSocket m_socket;
    QByteArray m_pending;
    bool m_welcomed = false;
};

} // namespace

int main(int argc, char *argv[])
{
    bench::Harness<QApplication> h(argc, argv,
                                   {{QStringLiteral("gateway"), QStringLiteral("The demo gateway."), QStringLiteral("PATH"),
                                     QStringLiteral(QUILLON_GATEWAY_EXE)},
                                    {QStringLiteral("pace"), QStringLiteral("on, or off to send as without pacing."),
                                     QStringLiteral("on|off"), QStringLiteral("on")}});
    const char *B = "Pacing";

    bench::GatewayProcess gateway;
    Listener listener;
    if (!gateway.start(h.parser.value(QStringLiteral("gateway")), {}, 0, 10000) || !listener.open(gateway.port())) {
        bench::say(QStringLiteral("bench_pacing: the gateway or the listener did not start"));
        return 1;
    }

    frmBot w(QStringLiteral("127.0.0.1"), gateway.port());
    if (h.parser.value(QStringLiteral("pace")) == u"off")
        w.setPacing(std::nullopt);
    w.show();
    QStringList received;
    QObject::connect(&w, &frmBot::lineCut, &w, [&](QStringView line) { received << line.toString(); });
    UserName = QStringLiteral("bencher");
    Password = QStringLiteral("bench");
    w.Winsock1->Connect();
    if (!bench::runUntil([&] { return w.Winsock1->state() == Winsock::Connected; }, 5000)) {
        bench::say(QStringLiteral("bench_pacing: no connection"));
        return 1;
    }
    w.ProceedLogin();
    if (!bench::runUntil([&] { return received.filter(QStringLiteral("1018 INFO \"Welcome")).size() == 1; }, 5000))
        return 1;

    QElapsedTimer clock;
    QList<qint64> written;
    QObject::connect(w.Winsock1, &Winsock::dataSent, &w, [&] { written << clock.elapsed(); });
    listener.clock = &clock;
    clock.start();
    QStringList said;
    for (int i = 1; i <= Lines; ++i) {
        w.Text1->setText(said.emplace_back(QStringLiteral("line %1").arg(i)));
        w.Send_Click();
    }
    QString paste;
    for (int i = 0; paste.size() < 479; ++i)
        paste += QStringLiteral("caf\u00e9 no %1, ").arg(i);
    paste.truncate(479);
    w.Text1->setText(paste);
    w.Send_Click();
    const QByteArray pasteBytes = wire::toWire(paste);

    bench::runUntil([&] {
        return w.Winsock1->state() != Winsock::Connected || !received.filter(QStringLiteral("1019 ")).isEmpty()
            || (w.waitingLines() == 0 && listener.heard.size() >= written.size());
    }, 120000, 5);
    bench::runUntil([] { return false; }, 500, 5); // a refusal or a close would show by now

    bench::say(QStringLiteral("line  bytes  written ms  arrived ms  text"));
    for (qsizetype i = 0; i < listener.heard.size(); ++i) {
        const QString &text = listener.heard.at(i).second;
        bench::say(QStringLiteral("%1  %2  %3  %4  %5")
                       .arg(i + 1, 4)
                       .arg(wire::toWire(text).size(), 5)
                       .arg(i < written.size() ? written.at(i) : -1, 10)
                       .arg(listener.heard.at(i).first, 10)
                       .arg(text.size() > 40 ? text.first(37) + QStringLiteral("...") : text));
    }

    QStringList heard;
    for (const auto &[at, text] : std::as_const(listener.heard))
        heard << text;
    const bool linesInOrder = heard.mid(0, Lines) == said;
    const bool pasteWhole = heard.mid(Lines).join(u' ') == paste;
    const qsizetype refusals = received.filter(QStringLiteral("1019 ")).size();
    const bool connected = w.Winsock1->state() == Winsock::Connected;
    const double twelve = heard.size() >= Lines ? double(listener.heard.at(Lines - 1).first) / 1000 : -1;
    bench::row(B, QStringLiteral("12 short lines typed at once: the last arrives after"),
               bench::number(twelve, 2) + QStringLiteral(" s"), QStringLiteral("<= 15 s, in order"),
               linesInOrder && twelve >= 0 && twelve <= 15);
    bench::row(B, QStringLiteral("479-character paste (%1 bytes): pieces, the last arrives after").arg(pasteBytes.size()),
               QStringLiteral("%1, %2 s").arg(std::max<qsizetype>(0, heard.size() - Lines))
                   .arg(heard.isEmpty() ? QStringLiteral("-") : bench::number(double(listener.heard.last().first) / 1000, 2)),
               QStringLiteral("whole, in order"), pasteWhole);
    bench::row(B, QStringLiteral("refusals, still connected"),
               QStringLiteral("%1, %2").arg(refusals).arg(connected ? QStringLiteral("yes") : QStringLiteral("no")),
               QStringLiteral("0, yes"), refusals == 0 && connected);
    gateway.stop();
    return linesInOrder && pasteWhole && refusals == 0 && connected ? 0 : 1;
}
