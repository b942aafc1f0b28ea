// End to end: client windows log in to the real demo gateway, in its own
// process, and talk to each other through it. What a window shows is checked
// against what the gateway made of it: the lines the other windows received
// and the gateway's answers to the sender.
#include "app/ActionLabel.h"
#include "app/Startup.h"
#include "app/frmBot.h"
#include "connection/Globals.h"
#include "connection/Notice.h"
#include "inbound/TranscriptBox.h"
#include "outbound/FrmChannel.h"

#include "ConnectedWindow.h"
#include "DialogDrivers.h"
#include "NoticeWatcher.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTest>

#include <csignal>
#include <memory>

#include <sys/prctl.h>

namespace {

// Generous: the machine is shared and the sanitizer build is slow; nothing
// here measures speed.
constexpr int Patience = 20000;

const QString Welcome = QStringLiteral("Welcome to the Quillon demo gateway, %1. Type /help for the commands.");
const QString UnknownCommand =
    QStringLiteral("1019 ERROR \"That is not a valid command. Type /help or /? for more info.\"");
// The answer to a bare "/me", which no test sends otherwise: it marks the
// point up to which a client has received everything (see settle()).
const QByteArray BarrierCommand = "/me\r\n";
const QString BarrierAnswer = QStringLiteral("1019 ERROR \"What do you want to emote?\"");
// The transcript shows the server's errors, so it shows the barrier's answer too.
const QString BarrierShown = QStringLiteral("What do you want to emote?");

// The real gateway, without its simulated members unless asked, so every
// line is caused by a test.
class GatewayProcess
{
public:
    ~GatewayProcess() { stop(); }

    // Port 0 picks a free port; the port is known once this returns true.
    // Quiet and without a guard unless told: the tests' own barrier lines
    // are not paced.
    bool start(quint16 wanted = 0, const QStringList &mode = {QStringLiteral("--quiet"), QStringLiteral("--no-guard")})
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // Goes with the test if the test dies, rather than holding its port
        // and the test's output open.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start(QStringLiteral(QUILLON_GATEWAY_EXE),
                        QStringList() << QStringLiteral("--port") << QString::number(wanted)
                                      << mode);
        if (!m_process.waitForStarted(Patience))
            return false;
        QDeadlineTimer deadline(Patience);
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || !m_process.waitForReadyRead(int(deadline.remainingTime())))
                return false;
        }
        static const QRegularExpression re(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"));
        const QRegularExpressionMatch m = re.match(QString::fromLocal8Bit(m_process.readLine()).trimmed());
        port = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
        return port != 0 && (wanted == 0 || port == wanted);
    }

    // Stops it as a user would (SIGTERM); true when it ended cleanly.
    bool stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        m_process.terminate();
        if (!m_process.waitForFinished(Patience)) {
            m_process.kill();
            m_process.waitForFinished(Patience);
            return false;
        }
        return m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == 0;
    }

    quint16 port = 0;

private:
    QProcess m_process;
};

// One user: a main window, the account it logs in with, and every line it
// received, CR taken off.
class Client
{
public:
    Client(const QString &name, const QString &password, quint16 port, const QString &host = QStringLiteral("127.0.0.1"))
        : name(name)
        , password(password)
        , w(host, port)
    {
        QObject::connect(&w, &frmBot::lineCut, &w, [this](QStringView line) {
            lines << (line.endsWith(u'\r') ? line.chopped(1) : line).toString();
        });
        w.setPacing(QuickRule, QuickMarginMs);
        w.show();
        (void)QTest::qWaitForWindowExposed(&w);
    }

    // The account name is program-wide, as the program runs one window; the
    // windows here take turns with it, so each echoes its own name.
    void act() { UserName = name; }

    // Lines received since the last call.
    QStringList takeLines()
    {
        const QStringList fresh = lines.mid(m_linesTaken);
        m_linesTaken = lines.size();
        return fresh;
    }

    // Transcript lines added since the last call.
    QStringList takeTranscript()
    {
        QStringList all = w.Text2->text().split(QStringLiteral("\r\n"));
        all.removeLast(); // after the last line end
        QStringList fresh = all.mid(m_transcriptTaken);
        m_transcriptTaken = all.size();
        fresh.removeAll(BarrierShown);
        return fresh;
    }

    QStringList roomlist() const
    {
        QStringList entries;
        for (int i = 0; i < w.Roomlist->count(); ++i)
            entries << w.Roomlist->item(i)->text();
        return entries;
    }

    int row(const QString &entry) const { return int(roomlist().indexOf(entry)); }

    // Clicks a user-list entry, which toggles its selection and makes it
    // the current entry.
    void clickEntry(const QString &entry)
    {
        QListWidgetItem *item = w.Roomlist->item(row(entry));
        QVERIFY2(item, qPrintable(entry));
        QTest::mouseClick(w.Roomlist->viewport(), Qt::LeftButton, {}, w.Roomlist->visualItemRect(item).center());
    }

    // Types a line into the input line and presses Enter there.
    void say(const QString &text)
    {
        act();
        type(w.Text1, text);
        QTest::keyClick(w.Text1, Qt::Key_Return);
    }

    QString name;
    QString password;
    frmBot w;
    QStringList lines;

private:
    qsizetype m_linesTaken = 0;
    qsizetype m_transcriptTaken = 0;
};

// Logs in through the Connect button and the login dialog, and waits until
// the gateway's welcome has arrived.
bool logIn(Client &c)
{
    const qsizetype from = c.lines.size();
    pressConnectWith(c.w, [&c](frmLogin &d) { typeAndLogin(d, c.name, c.password); });
    const QString welcome = QStringLiteral("1018 INFO \"%1\"").arg(Welcome.arg(c.name));
    return QTest::qWaitFor([&] { return c.lines.indexOf(welcome, from) >= 0; }, Patience);
}

// Waits until each client, in the order given, has written every line it
// queued and received everything the gateway sent it so far. The gateway handles one line at a time, in order,
// and answers each client in order: once a client has the answer to a line it
// sent last, every line the gateway had sent it before is in, including what
// other clients caused. The answer is taken out of the record again.
bool settle(std::initializer_list<Client *> clients)
{
    for (Client *c : clients) {
        const qsizetype from = c->lines.size();
        if (!QTest::qWaitFor([c] { return c->w.waitingLines() == 0; }, Patience)
            || !c->w.Winsock1->SendData(BarrierCommand))
            return false;
        qsizetype at = -1;
        if (!QTest::qWaitFor([&] { return (at = c->lines.indexOf(BarrierAnswer, from)) >= 0; }, Patience))
            return false;
        c->lines.removeAt(at);
    }
    return true;
}

QString banner(const QString &channel, int members)
{
    return QStringLiteral("%1  (%2)").arg(channel).arg(members);
}

void clickLabel(Client &c, int index)
{
    c.act();
    QTest::mouseClick(c.w.Label5[size_t(index)], Qt::LeftButton);
}

enum Action { BanPlayer = 0, UnbanPlayer, Rejoin, AddInList, InsertInLoop, Stats, WhoIs };

} // namespace

class tst_E2E : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetGlobals();
        m_gateway = std::make_unique<GatewayProcess>();
        QVERIFY2(m_gateway->start(), "the gateway did not start");
    }

    void cleanup()
    {
        QVERIFY2(m_gateway->stop(), "the gateway did not end cleanly");
        m_gateway.reset();
    }

    void loginShowsTheChannelAndItsMembers()
    {
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), m_gateway->port);
        QCOMPARE(a.w.Channel->text(), QStringLiteral("Marrow Vale"));
        QVERIFY(logIn(a));
        QVERIFY(settle({&a}));
        // The greeting before the login has no code and shows nowhere.
        QCOMPARE(a.takeLines(), QStringList()
                 << "Connected to the Quillon demo gateway." << "Enter your name and password."
                 << "2010 NAME wren" << "1007 CHANNEL \"Marrow Vale\"" << "1001 USER wren 0010 [CHAT]"
                 << "1018 INFO \"" + Welcome.arg(a.name) + "\"");
        QCOMPARE(a.takeTranscript(), QStringList() << Welcome.arg(a.name));
        QCOMPARE(a.roomlist(), QStringList() << "wren ");
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Marrow Vale"), 1));
        QCOMPARE(a.w.CurrentChannel, QStringLiteral("Marrow Vale"));
        // The hourglass of the login ends with the channel line.
        QCOMPARE(a.w.MousePointer(), int(frmBot::PointerArrow));
        QVERIFY(a.w.Timer1->isActive());

        // A password-free name; the newcomer is listed last.
        Client b(QStringLiteral("Nomad"), QString(), m_gateway->port);
        QVERIFY(logIn(b));
        QVERIFY(settle({&b, &a}));
        QCOMPARE(b.takeLines().mid(2), QStringList()
                 << "2010 NAME Nomad" << "1007 CHANNEL \"Marrow Vale\"" << "1001 USER wren 0010 [CHAT]"
                 << "1001 USER Nomad 0010 [CHAT]" << "1018 INFO \"" + Welcome.arg(b.name) + "\"");
        QCOMPARE(b.roomlist(), QStringList() << "wren " << "Nomad ");
        QCOMPARE(wholeBanner(b.w), banner(QStringLiteral("Marrow Vale"), 2));
        QCOMPARE(b.takeTranscript(), QStringList() << Welcome.arg(b.name));

        QCOMPARE(a.takeLines(), QStringList() << "1002 JOIN Nomad 0010 [CHAT]");
        QCOMPARE(a.roomlist(), QStringList() << "wren " << "Nomad ");
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Marrow Vale"), 2));
        QCOMPARE(a.takeTranscript(), QStringList());
    }

    void chatEmoteAndCommands()
    {
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), m_gateway->port);
        Client b(QStringLiteral("Nomad"), QString(), m_gateway->port);
        QVERIFY(logIn(a));
        QVERIFY(logIn(b));
        QVERIFY(settle({&a, &b}));
        a.takeLines(), a.takeTranscript(), b.takeLines(), b.takeTranscript();

        // Chat: echoed by the sender, shown to the others; the gateway does
        // not send it back. Latin-1 and double quotes survive the trip.
        a.say(QStringLiteral("hello there, caf\u00e9 \"Marrow\""));
        QCOMPARE(a.w.Text1->text(), QString());
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeTranscript(), QStringList() << QStringLiteral("wren: hello there, caf\u00e9 \"Marrow\""));
        QCOMPARE(a.takeLines(), QStringList());
        QCOMPARE(b.takeLines(), QStringList() << QStringLiteral("1005 TALK wren 0010 \"hello there, caf\u00e9 \"Marrow\"\""));
        QCOMPARE(b.takeTranscript(), QStringList() << QStringLiteral("wren : hello there, caf\u00e9 \"Marrow\""));

        // Enter in the transcript sends the input line.
        b.act();
        QTest::keyClicks(b.w.Text1, QStringLiteral("hi wren"));
        QTest::keyClick(b.w.Text2, Qt::Key_Return);
        QVERIFY(settle({&b, &a}));
        QCOMPARE(b.takeTranscript(), QStringList() << "Nomad: hi wren");
        QCOMPARE(a.takeLines(), QStringList() << "1005 TALK Nomad 0010 \"hi wren\"");
        QCOMPARE(a.takeTranscript(), QStringList() << "Nomad : hi wren");

        // An emote comes back to everyone, the sender included; a command is
        // not echoed by the client itself.
        a.say(QStringLiteral("/me waves"));
        QVERIFY(settle({&a, &b}));
        for (Client *c : {&a, &b}) {
            QCOMPARE(c->takeLines(), QStringList() << "1023 EMOTE wren 0010 \"waves\"");
            QCOMPARE(c->takeTranscript(), QStringList() << "wren  waves");
        }

        // An unknown command: the gateway's refusal shows, to the sender only.
        a.say(QStringLiteral("/dance"));
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeLines(), QStringList() << UnknownCommand);
        QCOMPARE(a.takeTranscript(),
                 QStringList() << "That is not a valid command. Type /help or /? for more info.");
        QCOMPARE(b.takeLines(), QStringList());
    }

    // Typed as fast as keys go and pasted, against a gateway that guards as
    // real servers do (here with a second of 100 ms): every line arrives, in
    // order and whole, nothing is refused, nobody is thrown out, and each
    // echo appears once its line is written and not before.
    void quickLinesAndAPasteKeepToTheGuard()
    {
        GatewayProcess guarded;
        QVERIFY(guarded.start(0, {QStringLiteral("--quiet"), QStringLiteral("--guard-tick"), QStringLiteral("100")}));
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), guarded.port);
        Client b(QStringLiteral("Nomad"), QString(), guarded.port);
        a.w.setPacing(QuickRule, 400); // room for a gateway slow to read on a loaded machine
        QVERIFY(logIn(a) && logIn(b));
        QTRY_COMPARE_WITH_TIMEOUT(a.roomlist().size(), 2, Patience);
        QList<qsizetype> echoedAtWrite;
        QObject::connect(a.w.Winsock1, &Winsock::dataSent, &a.w, [&] { echoedAtWrite << a.w.Text2->lineCount(); });
        const qsizetype echoedBefore = a.w.Text2->lineCount();

        QStringList said;
        for (int i = 1; i <= 12; ++i)
            a.say(said.emplace_back(QStringLiteral("line %1").arg(i)));
        QString paste;
        for (int i = 0; paste.size() < 479; ++i)
            paste += QStringLiteral("caf\u00e9 %1 ").arg(i);
        paste = paste.first(478) + u'!';
        a.w.Text1->insert(paste);
        QTest::keyClick(a.w.Text1, Qt::Key_Return);
        QVERIFY(a.w.Text1->text().isEmpty() && a.w.waitingLines() > 0);

        const auto heard = [&b] {
            QStringList talk = b.lines.filter(QStringLiteral("1005 TALK wren 0010 \""));
            for (QString &line : talk)
                line = line.mid(21).chopped(1);
            return talk;
        };
        QTRY_VERIFY_WITH_TIMEOUT(heard().size() > 13 && heard().constLast().endsWith(u'!'), Patience);
        QCOMPARE(heard().mid(0, 12), said);
        QCOMPARE(heard().mid(12).join(u' '), paste); // in pieces
        QCOMPARE(echoedAtWrite.size(), heard().size());
        for (qsizetype i = 0; i < echoedAtWrite.size(); ++i)
            QCOMPARE(echoedAtWrite.at(i), echoedBefore + i);
        QCOMPARE(a.w.Text2->lineCount(), echoedBefore + heard().size());
        QCOMPARE(a.lines.filter(QStringLiteral("1019 ")), QStringList());
        QCOMPARE(a.w.Winsock1->state(), Winsock::Connected);
    }

    void whisperToTwoSelectedMembers()
    {
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), m_gateway->port);
        Client b(QStringLiteral("Nomad"), QString(), m_gateway->port);
        Client c(QStringLiteral("tern"), QStringLiteral("shore"), m_gateway->port);
        for (Client *x : {&a, &b, &c})
            QVERIFY(logIn(*x));
        QVERIFY(settle({&a, &b, &c}));
        QCOMPARE(a.roomlist(), QStringList() << "wren " << "Nomad " << "tern ");
        for (Client *x : {&a, &b, &c})
            x->takeLines(), x->takeTranscript();

        a.clickEntry(QStringLiteral("Nomad "));
        a.clickEntry(QStringLiteral("tern "));
        a.say(QStringLiteral("meet at the ford"));
        QVERIFY(settle({&a, &b, &c}));
        // One echo per recipient, without the recipient's name; the gateway
        // confirms each, and the confirmation shows nothing more.
        QCOMPARE(a.takeTranscript(), QStringList() << "wrenTO: meet at the ford" << "wrenTO: meet at the ford");
        QCOMPARE(a.takeLines(), QStringList() << "1010 WHISPER Nomad 0010 \"meet at the ford\""
                                              << "1010 WHISPER tern 0010 \"meet at the ford\"");
        for (Client *x : {&b, &c}) {
            QCOMPARE(x->takeLines(), QStringList() << "1004 WHISPER wren 0010 \"meet at the ford\"");
            QCOMPARE(x->takeTranscript(), QStringList() << " wren : (whisper) meet at the ford");
        }

        // The selection stays: an answer from one of them, then a second
        // whisper to both.
        c.say(QStringLiteral("on my way"));
        QVERIFY(settle({&c, &a, &b}));
        QCOMPARE(a.takeTranscript(), QStringList() << "tern : on my way");
        QCOMPARE(b.takeTranscript(), QStringList() << "tern : on my way");
        c.takeTranscript();
        // Now that the gateway is known to confirm whispers, its
        // confirmation is what shows each one, with whom.
        a.say(QStringLiteral("bring rope"));
        QVERIFY(settle({&a, &b, &c}));
        QCOMPARE(a.takeTranscript(), QStringList() << "wrenTO Nomad: bring rope" << "wrenTO tern: bring rope");
        QCOMPARE(b.takeTranscript(), QStringList() << " wren : (whisper) bring rope");
        QCOMPARE(c.takeTranscript(), QStringList() << " wren : (whisper) bring rope");

        // With the selection cleared it is chat again.
        a.clickEntry(QStringLiteral("Nomad "));
        a.clickEntry(QStringLiteral("tern "));
        QCOMPARE(a.w.Roomlist->selectedItems().size(), 0);
        a.say(QStringLiteral("all of you"));
        QVERIFY(settle({&a, &b, &c}));
        QCOMPARE(a.takeTranscript(), QStringList() << "wren: all of you");
        QCOMPARE(b.takeTranscript(), QStringList() << "wren : all of you");
        QCOMPARE(c.takeTranscript(), QStringList() << "wren : all of you");
    }

    void actionPanelAndWhisperButton()
    {
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), m_gateway->port);
        Client b(QStringLiteral("Nomad"), QString(), m_gateway->port);
        QVERIFY(logIn(a));
        QVERIFY(logIn(b));
        QVERIFY(settle({&a, &b}));
        a.takeLines(), a.takeTranscript(), b.takeLines(), b.takeTranscript();

        QTest::mouseClick(a.w.cmdEnter, Qt::LeftButton);
        QVERIFY(a.w.Picture1->isVisible());
        // Nomad current, nothing selected.
        a.clickEntry(QStringLiteral("Nomad "));
        a.clickEntry(QStringLiteral("Nomad "));
        QCOMPARE(a.w.Roomlist->currentRow(), a.row(QStringLiteral("Nomad ")));
        QCOMPARE(a.w.Roomlist->selectedItems().size(), 0);

        clickLabel(a, WhoIs);
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeLines(), QStringList() << "1018 INFO \"Nomad is using Quillon in the channel Marrow Vale.\"");
        QCOMPARE(a.takeTranscript(), QStringList() << "Nomad is using Quillon in the channel Marrow Vale.");

        clickLabel(a, Stats);
        QVERIFY(settle({&a, &b}));
        const QStringList record = a.takeLines();
        QCOMPARE(record.size(), 3);
        QCOMPARE(record.at(0), QStringLiteral("1018 INFO \"Record for Nomad (STAR):\""));
        QVERIFY2(record.at(1).startsWith(QStringLiteral("1018 INFO \"Normal games: ")), qPrintable(record.at(1)));
        QVERIFY2(record.at(2).startsWith(QStringLiteral("1018 INFO \"Ladder games: ")), qPrintable(record.at(2)));
        QStringList shown;
        for (const QString &line : record)
            shown << line.mid(11).chopped(1); // the quoted text
        QCOMPARE(a.takeTranscript(), shown);

        // The whisper button: a command, so no echo; the gateway's 1010
        // shows it once.
        a.act();
        QTest::keyClicks(a.w.Text1, QStringLiteral("lag again"));
        QTest::mouseClick(a.w.cmdWhisper, Qt::LeftButton);
        QCOMPARE(a.w.Text1->text(), QString());
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeLines(), QStringList() << "1010 WHISPER Nomad 0010 \"lag again\"");
        QCOMPARE(a.takeTranscript(), QStringList() << "wrenTO Nomad: lag again");
        QCOMPARE(b.takeLines(), QStringList() << "1004 WHISPER wren 0010 \"lag again\"");
        QCOMPARE(b.takeTranscript(), QStringList() << " wren : (whisper) lag again");

        // The two labels without an action send nothing at all.
        clickLabel(a, AddInList);
        clickLabel(a, InsertInLoop);
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeLines(), QStringList());
        QCOMPARE(b.takeLines(), QStringList());

        // Nobody is banned yet: the refusal shows.
        clickLabel(a, UnbanPlayer);
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeLines(), QStringList() << "1019 ERROR \"That user is not banned.\"");
        QCOMPARE(a.takeTranscript(), QStringList() << "That user is not banned.");
        QCOMPARE(b.takeLines(), QStringList());

        // Rejoin: out of the channel and back in, listed last now.
        clickLabel(a, Rejoin);
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeLines(), QStringList() << "1007 CHANNEL \"Marrow Vale\"" << "1001 USER Nomad 0010 [CHAT]"
                                              << "1001 USER wren 0010 [CHAT]");
        QCOMPARE(a.roomlist(), QStringList() << "Nomad " << "wren ");
        QCOMPARE(a.w.Roomlist->currentRow(), -1);
        QCOMPARE(b.takeLines(), QStringList() << "1003 LEAVE wren 0010" << "1002 JOIN wren 0010 [CHAT]");
        QCOMPARE(b.roomlist(), QStringList() << "Nomad " << "wren ");
        QCOMPARE(wholeBanner(b.w), banner(QStringLiteral("Marrow Vale"), 2));

        // Ban: everyone in the channel is told, the banned one lands
        // elsewhere and the others see him leave.
        a.clickEntry(QStringLiteral("Nomad "));
        a.clickEntry(QStringLiteral("Nomad "));
        clickLabel(a, BanPlayer);
        QVERIFY(settle({&a, &b}));
        const QString banned = QStringLiteral("Nomad was banned by wren.");
        QCOMPARE(a.takeLines(), QStringList() << "1018 INFO \"" + banned + "\"" << "1003 LEAVE Nomad 0010");
        QCOMPARE(a.takeTranscript(), QStringList() << banned);
        QCOMPARE(a.roomlist(), QStringList() << "wren ");
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Marrow Vale"), 1));
        QCOMPARE(b.takeLines(), QStringList() << "1018 INFO \"" + banned + "\"" << "1007 CHANNEL \"Outskirts\""
                                              << "1001 USER Nomad 0010 [CHAT]");
        QCOMPARE(b.takeTranscript(), QStringList() << banned);
        QCOMPARE(b.roomlist(), QStringList() << "Nomad ");
        QCOMPARE(wholeBanner(b.w), banner(QStringLiteral("Outskirts"), 1));

        // He cannot come back through the picker ...
        b.act();
        QVERIFY(onPicker(b.w, [](FrmChannel *picker) {
            QTest::keyClicks(picker->txtchannel, QStringLiteral("Marrow Vale"));
            QTest::mouseClick(picker->Command1, Qt::LeftButton);
        }));
        QVERIFY(settle({&b, &a}));
        QCOMPARE(b.takeLines(), QStringList() << "1019 ERROR \"You are banned from that channel.\"");
        QCOMPARE(wholeBanner(b.w), banner(QStringLiteral("Outskirts"), 1));
        QCOMPARE(a.takeLines(), QStringList());

        // ... until he is unbanned; he is no longer in the list, so by hand.
        a.say(QStringLiteral("/unban Nomad"));
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeTranscript(), QStringList() << "Nomad was unbanned by wren.");
        b.act();
        QVERIFY(onPicker(b.w, [](FrmChannel *picker) {
            QTest::keyClicks(picker->txtchannel, QStringLiteral("Marrow Vale"));
            QTest::mouseClick(picker->Command1, Qt::LeftButton);
        }));
        QVERIFY(settle({&b, &a}));
        QCOMPARE(b.roomlist(), QStringList() << "wren " << "Nomad ");
        QCOMPARE(wholeBanner(b.w), banner(QStringLiteral("Marrow Vale"), 2));
        QCOMPARE(a.roomlist(), QStringList() << "wren " << "Nomad ");
    }

    void changeChannelThroughThePicker()
    {
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), m_gateway->port);
        Client b(QStringLiteral("Nomad"), QString(), m_gateway->port);
        QVERIFY(logIn(a));
        QVERIFY(logIn(b));
        QVERIFY(settle({&a, &b}));
        a.takeLines(), a.takeTranscript(), b.takeLines(), b.takeTranscript();

        // A list entry ...
        a.act();
        a.w.Text1->setText(QStringLiteral("half typed"));
        QVERIFY(onPicker(a.w, [](FrmChannel *picker) {
            pick(picker, 11);
            QCOMPARE(picker->txtchannel->text(), QStringLiteral("Opponents Wanted"));
            QTest::mouseClick(picker->Command1, Qt::LeftButton);
        }));
        QCOMPARE(a.w.Text1->text(), QString());
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeLines(), QStringList() << "1007 CHANNEL \"Opponents Wanted\"" << "1001 USER wren 0010 [CHAT]");
        QCOMPARE(a.roomlist(), QStringList() << "wren ");
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Opponents Wanted"), 1));
        QCOMPARE(a.w.CurrentChannel, QStringLiteral("Opponents Wanted"));
        QCOMPARE(b.takeLines(), QStringList() << "1003 LEAVE wren 0010");
        QCOMPARE(b.roomlist(), QStringList() << "Nomad ");
        QCOMPARE(wholeBanner(b.w), banner(QStringLiteral("Marrow Vale"), 1));

        // ... or a name typed by hand, in other letter case: the same channel.
        b.act();
        QVERIFY(onPicker(b.w, [](FrmChannel *picker) {
            QTest::keyClicks(picker->txtchannel, QStringLiteral("opponents wanted"));
            QTest::mouseClick(picker->Command1, Qt::LeftButton);
        }));
        QVERIFY(settle({&b, &a}));
        QCOMPARE(b.takeLines(), QStringList() << "1007 CHANNEL \"Opponents Wanted\"" << "1001 USER wren 0010 [CHAT]"
                                              << "1001 USER Nomad 0010 [CHAT]");
        QCOMPARE(wholeBanner(b.w), banner(QStringLiteral("Opponents Wanted"), 2));
        QCOMPARE(a.takeLines(), QStringList() << "1002 JOIN Nomad 0010 [CHAT]");
        QCOMPARE(a.roomlist(), QStringList() << "wren " << "Nomad ");

        // Talk reaches the new channel; Quit in the picker sends nothing.
        b.say(QStringLiteral("made it"));
        QVERIFY(onPicker(a.w, [](FrmChannel *picker) {
            pick(picker, 2);
            QTest::mouseClick(picker->Command2, Qt::LeftButton);
        }));
        QVERIFY(settle({&b, &a}));
        QCOMPARE(a.takeLines(), QStringList() << "1005 TALK Nomad 0010 \"made it\"");
        QCOMPARE(a.takeTranscript(), QStringList() << "Nomad : made it");
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Opponents Wanted"), 2));
    }

    // The gateway restarts while the user is in a channel of their own
    // choosing: with no click they are back there soon after it is up, and
    // what they typed meanwhile is heard there once.
    void aRestartedGatewayTakesTheUserBack()
    {
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), m_gateway->port);
        QVERIFY(logIn(a));
        a.say(QStringLiteral("/channel Opponents Wanted"));
        QVERIFY(settle({&a}));
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Opponents Wanted"), 1));
        NoticeWatcher notices;
        const quint16 port = m_gateway->port;
        QVERIFY2(m_gateway->stop(), "the gateway did not end cleanly");
        QTRY_VERIFY_WITH_TIMEOUT(a.w.away(), Patience);
        a.say(QStringLiteral("are you there"));
        QCOMPARE(a.w.waitingLines(), 1);

        m_gateway = std::make_unique<GatewayProcess>();
        QVERIFY2(m_gateway->start(port), "the gateway did not start again on its port");
        QElapsedTimer up;
        up.start();
        // Someone waiting in that channel, with a plain socket.
        QTcpSocket other;
        other.connectToHost(QStringLiteral("127.0.0.1"), port);
        QVERIFY(other.waitForConnected(Patience));
        other.write(QByteArray("\x03\x04\r\n\r\nNomad\r\n\r\n/channel Opponents Wanted\r\n"));
        QByteArray heard;
        QTRY_VERIFY_WITH_TIMEOUT((heard += other.readAll()).contains("1007 CHANNEL \"Opponents Wanted\""), Patience);
        QTRY_VERIFY_WITH_TIMEOUT((heard += other.readAll()).contains("\"are you there\""), Patience);
        QVERIFY2(up.elapsed() < 15000, qPrintable(QString::number(up.elapsed())));
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Opponents Wanted"), 2));
        QVERIFY(a.w.Roomlist->isEnabled());
        QTest::qWait(300);
        heard += other.readAll();
        QCOMPARE(heard.count("are you there"), 1);
        QCOMPARE(a.takeTranscript().filter(QStringLiteral("are you there")), QStringList() << "wren: are you there");
        QCOMPARE(notices.texts.size(), 0);
    }

    // A gateway that keeps a steady keep-alive and then goes silent with
    // the connection open, as a dead link does: the client finds it and
    // gets back in (under a new name, as the old session still counts).
    void aSilentGatewayIsFoundAndLeft()
    {
        const quint16 port = m_gateway->port;
        QVERIFY(m_gateway->stop());
        m_gateway = std::make_unique<GatewayProcess>();
        QVERIFY(m_gateway->start(port, {QStringLiteral("--quiet"), QStringLiteral("--no-guard"),
                                        QStringLiteral("--null-every"), QStringLiteral("200"),
                                        QStringLiteral("--silent-after"), QStringLiteral("1500")}));
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), port);
        NoticeWatcher notices;
        QVERIFY(logIn(a));
        QTRY_VERIFY_WITH_TIMEOUT(a.w.away(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!a.w.away(), Patience);
        const QStringList told = a.takeTranscript().filter(QStringLiteral("-!- "));
        QVERIFY2(told.first().contains(QStringLiteral("No word from the server")), qPrintable(told.join(u'|')));
        QVERIFY2(told.last().endsWith(QStringLiteral("Back in Marrow Vale.")), qPrintable(told.join(u'|')));
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Marrow Vale"), 1));
        QCOMPARE(notices.texts.size(), 0);
    }

    // With reconnecting off: the notice, and Connect by hand.
    void lostConnectionAndConnectAgain()
    {
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), m_gateway->port);
        Client b(QStringLiteral("Nomad"), QString(), m_gateway->port);
        a.w.setReconnect(false);
        b.w.setReconnect(false);
        QVERIFY(logIn(a));
        QVERIFY(logIn(b));
        QVERIFY(settle({&a, &b}));
        a.takeLines(), a.takeTranscript(), b.takeLines(), b.takeTranscript();

        NoticeWatcher notices;
        const quint16 port = m_gateway->port;
        QVERIFY2(m_gateway->stop(), "the gateway did not end cleanly");
        QTRY_VERIFY_WITH_TIMEOUT(notices.countFor(&a.w) >= 1 && notices.countFor(&b.w) >= 1, Patience);
        QVERIFY(notices.wellFormed);
        for (const QString &text : std::as_const(notices.texts))
            QCOMPARE(text, notice::ConnectionLost);
        // What was shown stays as it was.
        QCOMPARE(a.roomlist(), QStringList() << "wren " << "Nomad ");
        QCOMPARE(a.takeTranscript(), QStringList());

        // The gateway comes back on the same port; Connect and the login
        // work as the first time.
        m_gateway = std::make_unique<GatewayProcess>();
        QVERIFY2(m_gateway->start(port), "the gateway did not start again on its port");
        QVERIFY(logIn(a));
        QVERIFY(settle({&a}));
        QCOMPARE(a.takeLines().mid(2), QStringList()
                 << "2010 NAME wren" << "1007 CHANNEL \"Marrow Vale\"" << "1001 USER wren 0010 [CHAT]"
                 << "1018 INFO \"" + Welcome.arg(a.name) + "\"");
        QCOMPARE(a.roomlist(), QStringList() << "wren ");
        QCOMPARE(wholeBanner(a.w), banner(QStringLiteral("Marrow Vale"), 1));
        QCOMPARE(a.takeTranscript(), QStringList() << Welcome.arg(a.name));

        QVERIFY(logIn(b));
        b.say(QStringLiteral("back again"));
        QVERIFY(settle({&b, &a}));
        QCOMPARE(a.takeLines(), QStringList() << "1002 JOIN Nomad 0010 [CHAT]" << "1005 TALK Nomad 0010 \"back again\"");
        QCOMPARE(a.takeTranscript(), QStringList() << "Nomad : back again");

        // Both connected again: the notices have stopped.
        const qsizetype seen = notices.texts.size();
        QTest::qWait(1200);
        QCOMPARE(notices.texts.size(), seen);
        QVERIFY(notices.mostOpenAtOnce <= 2); // one per window at most
    }

    // Started as the program starts, Connect goes where the command line or
    // the settings file says, on a port of its own.
    void startsWhereTold_data()
    {
        QTest::addColumn<bool>("inFile");
        QTest::newRow("--server") << false;
        QTest::newRow("the settings file") << true;
    }
    void startsWhereTold()
    {
        QFETCH(bool, inFile);
        const QString where = QStringLiteral("127.0.0.1:%1").arg(m_gateway->port);
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QStringList args{QStringLiteral("quillon")};
        if (inFile) {
            QVERIFY(QDir(config.path()).mkpath(QStringLiteral("quillon")));
            QFile file(config.filePath(QStringLiteral("quillon/quillon.conf")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("server=" + where.toLatin1() + "\n") > 0);
        } else {
            args << QStringLiteral("--server") << where;
        }
        const app::Startup start = app::startup(args, QStringLiteral("192.0.2.1"), 6112);
        qunsetenv("XDG_CONFIG_HOME");
        QCOMPARE(start.errors, QStringList());
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), quint16(start.port), start.host);
        QVERIFY(logIn(a));
    }

    // The demo's members who write beyond ASCII answer a whisper each in
    // their own encoding; the 8-bit name goes back as the bytes it came as.
    void whisperToTheDemoMembers()
    {
        GatewayProcess demo;
        QVERIFY(demo.start(0, {})); // as scripts/run starts it
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), demo.port);
        QVERIFY(logIn(a));
        const QStringList members{QStringLiteral("Zo\u00EB "), QStringLiteral("\u0414\u043C\u0438\u0442\u0440\u0438\u0439 "),
                                  QStringLiteral("J_rgen ").replace(u'_', QChar(0xDCFC))};
        const auto allListed = [&] { return std::all_of(members.begin(), members.end(), [&](const QString &m) { return a.row(m) >= 0; }); };
        QTRY_VERIFY_WITH_TIMEOUT(allListed(), Patience);
        for (const QString &m : members)
            a.clickEntry(m);
        a.say(QStringLiteral("hello"));
        const QStringList answers{
            QStringLiteral(" Zo\u00EB : (whisper) Merci ! Je suis un robot de d\u00E9mo, \u00E0 bient\u00F4t."),
            QStringLiteral(" \u0414\u043C\u0438\u0442\u0440\u0438\u0439 : (whisper) \u0421\u043F\u0430\u0441\u0438\u0431\u043E "
                           "\u0437\u0430 \u0448\u0451\u043F\u043E\u0442! \u042F \u0432\u0441\u0435\u0433\u043E \u043B\u0438\u0448\u044C "
                           "\u0434\u0435\u043C\u043E-\u0431\u043E\u0442."),
            QStringLiteral(" J\u00FCrgen : (whisper) Danke f\u00FCr das Fl\u00FCstern, ich bin nur ein Demo-Bot."),
        };
        for (const QString &answer : answers)
            QTRY_VERIFY_WITH_TIMEOUT(a.w.Text2->text().contains(answer + QStringLiteral("\r\n")), Patience);
    }

    // A malformed gateway stops the real program before any window.
    void malformedServerIsRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("leading zeros") << QStringList{"--server", "192.168.001.010"};
        QTest::newRow("a mistyped option") << QStringList{"--sever", "127.0.0.1"};
    }
    void malformedServerIsRefused()
    {
        QFETCH(QStringList, args);
        QProcess quillon;
        quillon.start(QStringLiteral(QUILLON_EXE), args << QStringLiteral("-platform") << QStringLiteral("offscreen"));
        QVERIFY(quillon.waitForFinished(Patience));
        QCOMPARE(quillon.exitCode(), 2);
        const QByteArray error = quillon.readAllStandardError();
        QVERIFY2(error.startsWith("quillon: ") && error.count('\n') == 1 && error.endsWith("; see quillon --help\n"), error.constData());
        QVERIFY(quillon.readAllStandardOutput().isEmpty());
    }

    // Connect and a login while logged in: a new session under the new
    // name. The service takes every line after a login as chat, so a second
    // handshake on the same connection would show the password to everyone.
    void loggingInAgainStartsANewSession()
    {
        Client a(QStringLiteral("wren"), QStringLiteral("feathers"), m_gateway->port);
        Client b(QStringLiteral("Nomad"), QString(), m_gateway->port);
        QVERIFY(logIn(a));
        QVERIFY(logIn(b));
        QVERIFY(settle({&a, &b}));
        a.takeLines(), a.takeTranscript(), b.takeLines(), b.takeTranscript();

        NoticeWatcher notices;
        a.name = QStringLiteral("robin");
        a.password = QStringLiteral("hunter2");
        QVERIFY(logIn(a));
        // The old session left and the new one came, in whichever order the
        // gateway saw the two connections; nothing was said.
        QTRY_COMPARE_WITH_TIMEOUT(a.roomlist(), QStringList() << "Nomad " << "robin ", Patience);
        QTRY_COMPARE_WITH_TIMEOUT(b.roomlist(), QStringList() << "Nomad " << "robin ", Patience);
        QVERIFY(settle({&a}));
        const QStringList answer = a.takeLines();
        const QStringList expected = QStringList() << "2010 NAME robin" << "1007 CHANNEL \"Marrow Vale\""
                                                   << "1018 INFO \"" + Welcome.arg(a.name) + "\"";
        for (const QString &line : expected)
            QVERIFY2(answer.contains(line), qPrintable(line));
        QCOMPARE(a.w.MousePointer(), int(frmBot::PointerArrow));

        QVERIFY(settle({&b}));
        QStringList seen = b.takeLines();
        seen.sort();
        QCOMPARE(seen, QStringList() << "1002 JOIN robin 0010 [CHAT]" << "1003 LEAVE wren 0010");
        QCOMPARE(b.takeTranscript(), QStringList());

        a.say(QStringLiteral("new name"));
        QVERIFY(settle({&a, &b}));
        QCOMPARE(a.takeTranscript(), QStringList() << Welcome.arg(a.name) << "robin: new name");
        QCOMPARE(b.takeTranscript(), QStringList() << "robin : new name");
        QCOMPARE(notices.texts, QStringList());
    }

private:
    std::unique_ptr<GatewayProcess> m_gateway;
};

QTEST_MAIN(tst_E2E)
#include "tst_e2e.moc"
