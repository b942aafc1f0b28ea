#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTest>

#include <csignal>

namespace {

// Generous: the machine is shared, and nothing here measures speed.
constexpr int Patience = 20000;

const QByteArray Handshake("\x03\x04\r\n\r\n", 6);

// The real gateway in its own process, on a port it picks itself.
class GatewayProcess
{
public:
    ~GatewayProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(Patience);
        }
    }

    bool start(const QStringList &extra)
    {
        process.start(QStringLiteral(QUILLON_GATEWAY_EXE),
                      QStringList{QStringLiteral("--port"), QStringLiteral("0")} + extra);
        const QString first = stdoutLine(QStringLiteral("listening on "));
        static const QRegularExpression re(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)$"));
        const QRegularExpressionMatch m = re.match(first);
        port = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
        return port != 0;
    }

    // The next stdout line that starts with prefix, or an empty string.
    QString stdoutLine(const QString &prefix)
    {
        QDeadlineTimer deadline(Patience);
        while (!deadline.hasExpired()) {
            while (process.canReadLine()) {
                const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
                if (line.startsWith(prefix))
                    return line;
            }
            if (!process.waitForReadyRead(int(deadline.remainingTime())))
                break;
        }
        return {};
    }

    QProcess process;
    quint16 port = 0;
};

// A raw client that keeps every line the gateway sent, CR LF stripped.
class Client
{
public:
    bool connectTo(quint16 port)
    {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return socket.waitForConnected(Patience);
    }

    void write(const QByteArray &bytes, int pieceSize = 0)
    {
        const qsizetype step = pieceSize > 0 ? pieceSize : qMax<qsizetype>(bytes.size(), 1);
        for (qsizetype i = 0; i < bytes.size(); i += step) {
            socket.write(bytes.mid(i, step));
            socket.waitForBytesWritten(Patience);
        }
    }

    void sendLine(const QByteArray &line) { write(line + "\r\n"); }

    // Reads until `count` lines are in, or the peer closes.
    bool waitForLines(qsizetype count)
    {
        QDeadlineTimer deadline(Patience);
        while (lines.size() < count && readMore(deadline)) {
        }
        return lines.size() >= count;
    }

    // Index of the first line at or after `from` that starts with prefix.
    qsizetype waitForLine(const QByteArray &prefix, qsizetype from = 0)
    {
        QDeadlineTimer deadline(Patience);
        for (qsizetype i = from; i < lines.size() || readMore(deadline);) {
            if (i < lines.size() && lines.at(i++).startsWith(prefix))
                return i - 1;
        }
        return -1;
    }

    // Logs in and moves everything up to the welcome line to `greeting`.
    bool logIn(const QByteArray &who, const QByteArray &password = "secret")
    {
        write(Handshake + who + "\r\n" + password + "\r\n");
        const qsizetype named = waitForLine("2010 NAME ");
        const qsizetype welcome = named < 0 ? -1 : waitForLine("1018 INFO ", named + 1);
        if (welcome < 0)
            return false;
        name = lines.at(named).mid(10);
        greeting = lines.mid(0, welcome + 1);
        lines.remove(0, welcome + 1);
        return true;
    }

    // The gateway answers each client in order, so everything a command
    // caused for this client arrives before the answer to a later /whois.
    QList<QByteArray> linesUntilBarrier()
    {
        const qsizetype start = lines.size();
        sendLine("/whois " + name);
        const qsizetype barrier = waitForLine("1018 INFO \"" + name + " is using ", start);
        QList<QByteArray> before = lines.mid(0, barrier < 0 ? lines.size() : barrier);
        lines.remove(0, barrier < 0 ? lines.size() : barrier + 1);
        return before;
    }

    QTcpSocket socket;
    QByteArray pending;
    QList<QByteArray> lines;
    QList<QByteArray> greeting;
    QByteArray name;

private:
    // False once the deadline passes or the peer has closed.
    bool readMore(const QDeadlineTimer &deadline)
    {
        // What a write's wait already took in counts too: nothing more may come.
        if (socket.bytesAvailable() == 0
            && (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))))
            return false;
        pending += socket.readAll();
        qsizetype start = 0;
        for (qsizetype end; (end = pending.indexOf("\r\n", start)) >= 0; start = end + 2)
            lines.append(pending.mid(start, end - start));
        pending.remove(0, start);
        return true;
    }
};

QList<QByteArray> toBytes(const QStringList &lines)
{
    QList<QByteArray> out;
    for (const QString &line : lines)
        out.append(line.toLatin1());
    return out;
}

// The quoted text at the end of a 1005/1023/1018 line.
QByteArray quotedText(const QByteArray &line)
{
    const qsizetype open = line.indexOf('"');
    return open < 0 || !line.endsWith('"') ? QByteArray() : line.mid(open + 1, line.size() - open - 2);
}

} // namespace

class tst_Gateway : public QObject
{
    Q_OBJECT

private slots:
    void login_data();
    void login();
    void refusedLogin_data();
    void refusedLogin();
    void wrongPasswordAsksAgain_data();
    void wrongPasswordAsksAgain();
    void duplicateNames();
    void twoClientsSeeEachOther();
    void simulatedMembersFlags();
    void commands_data();
    void commands();
    void floodGuard_data();
    void floodGuard();
    void keepAliveThenSilence();
    void flood_data();
    void flood();
    void floodDependsOnlyOnSeed();
    void replay_data();
    void replay();
    void badArguments_data();
    void badArguments();
    void version();
    void stopsOnSignal_data();
    void stopsOnSignal();
};

void tst_Gateway::login_data()
{
    QTest::addColumn<QByteArray>("account");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<int>("pieceSize");

    QTest::newRow("password, one write") << QByteArray("wanderer") << QByteArray("secret") << 0;
    QTest::newRow("password, byte by byte") << QByteArray("wanderer") << QByteArray("secret") << 1;
    QTest::newRow("Nomad without password, byte by byte") << QByteArray("Nomad") << QByteArray() << 1;
    QTest::newRow("wayfarers without password, 4-byte pieces")
        << QByteArray("wayfarers") << QByteArray() << 4;
    QTest::newRow("Latin-1 name") << QByteArray("Jos\xe9") << QByteArray("p\xe4ss") << 0;
}

void tst_Gateway::login()
{
    QFETCH(QByteArray, account);
    QFETCH(QByteArray, password);
    QFETCH(int, pieceSize);

    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--quiet")}));
    Client client;
    QVERIFY(client.connectTo(gateway.port));
    client.write(Handshake + account + "\r\n" + password + "\r\n", pieceSize);

    const qsizetype named = client.waitForLine("2010 NAME ");
    QVERIFY(named > 0); // prose comes first
    static const QRegularExpression coded(QStringLiteral("^\\d{4}"));
    for (qsizetype i = 0; i < named; ++i)
        QVERIFY2(!coded.match(QString::fromLatin1(client.lines.at(i))).hasMatch(), client.lines.at(i));

    QVERIFY(client.waitForLines(named + 4));
    const QList<QByteArray> expected{
        "2010 NAME " + account,
        "1007 CHANNEL \"Marrow Vale\"",
        "1001 USER " + account + " 0010 [CHAT]",
    };
    QCOMPARE(client.lines.mid(named, 3), expected);
    QVERIFY(client.lines.at(named + 3).startsWith("1018 INFO \""));
}

void tst_Gateway::refusedLogin_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("NOMAD is not Nomad") << Handshake + "NOMAD\r\n\r\n";
    QTest::newRow("ordinary name, no password") << Handshake + "wanderer\r\n\r\n";
    QTest::newRow("empty name") << Handshake + "\r\nsecret\r\n";
    QTest::newRow("blank inside name") << Handshake + "two words\r\nsecret\r\n";
    QTest::newRow("wrong handshake") << QByteArray("\x03\x05\r\n\r\nNomad\r\n\r\n");
}

void tst_Gateway::refusedLogin()
{
    QFETCH(QByteArray, bytes);

    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--quiet")}));
    Client client;
    QVERIFY(client.connectTo(gateway.port));
    client.write(bytes);

    QVERIFY(client.waitForLine("Login failed.") >= 0);
    QTRY_COMPARE_WITH_TIMEOUT(client.socket.state(), QAbstractSocket::UnconnectedState, Patience);
    for (const QByteArray &line : std::as_const(client.lines))
        QVERIFY2(!line.startsWith("2010") && !line.startsWith("1007"), line);
}

void tst_Gateway::wrongPasswordAsksAgain_data()
{
    QTest::addColumn<QByteArray>("refused");

    // The account outlives the session that made it, and ignores case.
    QTest::newRow("known name, other case, wrong password") << QByteArray("WANDERER\r\nSecret");
    QTest::newRow("a simulated member's name") << QByteArray("nightowl\r\nsecret");
}

void tst_Gateway::wrongPasswordAsksAgain()
{
    QFETCH(QByteArray, refused);

    GatewayProcess gateway;
    QVERIFY(gateway.start({}));
    Client owner, watcher, client;
    QVERIFY(owner.connectTo(gateway.port) && owner.logIn("wanderer")); // with "secret"
    QVERIFY(watcher.connectTo(gateway.port) && watcher.logIn("Nomad", ""));
    owner.socket.disconnectFromHost();
    QVERIFY(watcher.waitForLine("1003 LEAVE wanderer ") >= 0);

    QVERIFY(client.connectTo(gateway.port));
    client.write(Handshake + refused + "\r\n");
    QVERIFY(client.waitForLines(4)); // the greeting, then only these
    QCOMPARE(client.lines.mid(2), (QList<QByteArray>{"Login failed.", "Enter your name and password."}));
    client.write("wanderer\r\nsecret\r\n");
    QCOMPARE(client.lines.value(client.waitForLine("2010 NAME ", 4)), QByteArray("2010 NAME wanderer"));
}

void tst_Gateway::duplicateNames()
{
    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--quiet")}));
    Client first, second, third;
    for (Client *c : {&first, &second, &third})
        QVERIFY(c->connectTo(gateway.port));
    QVERIFY(first.logIn("heron"));
    QVERIFY(second.logIn("Heron"));
    QVERIFY(third.logIn("heron"));
    QCOMPARE(first.name, QByteArray("heron"));
    QCOMPARE(second.name, QByteArray("Heron#2"));
    QCOMPARE(third.name, QByteArray("heron#3"));

    // Once the gateway has seen the first one go, its name is free again.
    first.socket.disconnectFromHost();
    QVERIFY(second.waitForLine("1003 LEAVE heron 0010") >= 0);
    Client fourth;
    QVERIFY(fourth.connectTo(gateway.port));
    QVERIFY(fourth.logIn("heron"));
    QCOMPARE(fourth.name, QByteArray("heron"));
}

void tst_Gateway::twoClientsSeeEachOther()
{
    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--quiet")}));
    Client alice, bob;
    QVERIFY(alice.connectTo(gateway.port));
    QVERIFY(alice.logIn("alice"));
    QVERIFY(bob.connectTo(gateway.port));
    QVERIFY(bob.logIn("bob"));
    QVERIFY(bob.greeting.contains("1001 USER alice 0010 [CHAT]"));
    QCOMPARE(alice.linesUntilBarrier(), QList<QByteArray>{"1002 JOIN bob 0010 [CHAT]"});

    // An empty line is not chat; bytes above 0x7F pass through unchanged.
    bob.sendLine("");
    bob.sendLine("caf\xe9 at \xff");
    QCOMPARE(bob.linesUntilBarrier(), QList<QByteArray>{}); // never echoed
    QCOMPARE(alice.linesUntilBarrier(), QList<QByteArray>{"1005 TALK bob 0010 \"caf\xe9 at \xff\""});

    bob.socket.disconnectFromHost();
    QVERIFY(alice.waitForLine("1003 LEAVE bob 0010") >= 0);
}

void tst_Gateway::simulatedMembersFlags()
{
    // On a fast clock the crowd passes ops around and announces within a second.
    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--bot-tick"), QStringLiteral("10")}));
    Client client;
    QVERIFY(client.connectTo(gateway.port) && client.logIn("wanderer"));

    // A line naming a member carries the flags last listed or changed to;
    // only an administrator announces.
    static const QRegularExpression named(QStringLiteral("^(1001|1002|1009|1003|1005|1023) \\S+ (\\S+) ([0-9A-F]{4})"));
    static const QRegularExpression announced(QStringLiteral("^1006 _ \"Announcement from (\\S+): .+\"$"));
    QHash<QString, uint> flags;
    int opsGiven = 0, announcements = 0;
    for (QList<QByteArray> seen = client.greeting; opsGiven < 2 || !announcements; seen = std::exchange(client.lines, {})) {
        for (const QByteArray &line : std::as_const(seen)) {
            const QRegularExpressionMatch a = announced.match(QString::fromLatin1(line));
            const QRegularExpressionMatch m = named.match(QString::fromLatin1(line));
            const QString code = m.captured(1), who = m.captured(2);
            const uint bits = m.captured(3).toUInt(nullptr, 16), before = flags.value(who);
            const bool sets = code == u"1001" || code == u"1002" || code == u"1009";
            QVERIFY2(!m.hasMatch() || sets || (flags.contains(who) && before == bits), line);
            QVERIFY2(!a.hasMatch() || (flags.value(a.captured(1)) & 0x0008), line);
            announcements += a.hasMatch();
            opsGiven += code == u"1009" && (bits & ~before) == 0x0002;
            if (sets)
                flags.insert(who, bits);
        }
        QVERIFY(client.waitForLines(1));
    }
}

void tst_Gateway::commands_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QStringList>("toSender");
    QTest::addColumn<QStringList>("toOther");

    const QString whisperOut = QStringLiteral("1010 WHISPER bob 0010 \"%1\"");
    const QString whisperIn = QStringLiteral("1004 WHISPER alice 0010 \"%1\"");
    const QString notLoggedOn = QStringLiteral("1019 ERROR \"That user is not logged on.\"");
    const QStringList rejoined{
        QStringLiteral("1007 CHANNEL \"Marrow Vale\""),
        QStringLiteral("1001 USER bob 0010 [CHAT]"),
        QStringLiteral("1001 USER alice 0010 [CHAT]"),
    };
    const QStringList rejoinSeen{QStringLiteral("1003 LEAVE alice 0010"),
                                 QStringLiteral("1002 JOIN alice 0010 [CHAT]")};

    QTest::newRow("chat") << QByteArray("good evening") << QStringList{}
                          << QStringList{QStringLiteral("1005 TALK alice 0010 \"good evening\"")};
    QTest::newRow("/whisper, name with trailing blank")
        << QByteArray("/whisper bob  psst, over here") << QStringList{whisperOut.arg("psst, over here")}
        << QStringList{whisperIn.arg("psst, over here")};
    QTest::newRow("/W, command and name in other case")
        << QByteArray("/W Bob  hi") << QStringList{whisperOut.arg("hi")} << QStringList{whisperIn.arg("hi")};
    QTest::newRow("/msg, single blank") << QByteArray("/msg bob hi") << QStringList{whisperOut.arg("hi")}
                                        << QStringList{whisperIn.arg("hi")};
    QTest::newRow("/m keeps blanks inside the text")
        << QByteArray("/m bob  a  b") << QStringList{whisperOut.arg("a  b")} << QStringList{whisperIn.arg("a  b")};
    QTest::newRow("/w to nobody") << QByteArray("/w nobody  hi") << QStringList{notLoggedOn} << QStringList{};
    QTest::newRow("/me") << QByteArray("/me waves") << QStringList{QStringLiteral("1023 EMOTE alice 0010 \"waves\"")}
                         << QStringList{QStringLiteral("1023 EMOTE alice 0010 \"waves\"")};
    QTest::newRow("/emote") << QByteArray("/emote grins") << QStringList{QStringLiteral("1023 EMOTE alice 0010 \"grins\"")}
                            << QStringList{QStringLiteral("1023 EMOTE alice 0010 \"grins\"")};
    QTest::newRow("/channel")
        << QByteArray("/channel Quiet Corner")
        << QStringList{QStringLiteral("1007 CHANNEL \"Quiet Corner\""), QStringLiteral("1001 USER alice 0010 [CHAT]")}
        << QStringList{QStringLiteral("1003 LEAVE alice 0010")};
    QTest::newRow("/channel without a name")
        << QByteArray("/channel") << QStringList{QStringLiteral("1019 ERROR \"What channel do you want to join?\"")}
        << QStringList{};
    QTest::newRow("/rejoin") << QByteArray("/rejoin") << rejoined << rejoinSeen;
    QTest::newRow("/join own channel in lower case") << QByteArray("/join marrow vale") << rejoined << rejoinSeen;
    QTest::newRow("/whois") << QByteArray("/whois bob")
                            << QStringList{QStringLiteral("1018 INFO \"bob is using Quillon in the channel Marrow Vale.\"")}
                            << QStringList{};
    QTest::newRow("/whois nobody") << QByteArray("/whois nobody") << QStringList{notLoggedOn} << QStringList{};
    QTest::newRow("/ban moves the banned client out")
        << QByteArray("/ban bob ")
        << QStringList{QStringLiteral("1018 INFO \"bob was banned by alice.\""), QStringLiteral("1003 LEAVE bob 0010")}
        << QStringList{QStringLiteral("1018 INFO \"bob was banned by alice.\""),
                       QStringLiteral("1007 CHANNEL \"Outskirts\""), QStringLiteral("1001 USER bob 0010 [CHAT]")};
    QTest::newRow("/ban nobody") << QByteArray("/ban nobody") << QStringList{notLoggedOn} << QStringList{};
    QTest::newRow("/unban someone not banned")
        << QByteArray("/unban bob") << QStringList{QStringLiteral("1019 ERROR \"That user is not banned.\"")}
        << QStringList{};
    QTest::newRow("/stats nobody") << QByteArray("/stats nobody  QUIL") << QStringList{notLoggedOn} << QStringList{};
    QTest::newRow("unknown command")
        << QByteArray("/dance")
        << QStringList{QStringLiteral("1019 ERROR \"That is not a valid command. Type /help or /? for more info.\"")}
        << QStringList{};
}

void tst_Gateway::commands()
{
    QFETCH(QByteArray, command);
    QFETCH(QStringList, toSender);
    QFETCH(QStringList, toOther);

    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--quiet")}));
    Client alice, bob;
    QVERIFY(alice.connectTo(gateway.port));
    QVERIFY(alice.logIn("alice"));
    QVERIFY(bob.connectTo(gateway.port));
    QVERIFY(bob.logIn("bob"));
    alice.linesUntilBarrier(); // bob's join

    alice.sendLine(command);
    QCOMPARE(alice.linesUntilBarrier(), toBytes(toSender));
    QCOMPARE(bob.linesUntilBarrier(), toBytes(toOther));
}

void tst_Gateway::floodGuard_data()
{
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<QByteArray>("verdicts"); // passed on, refused, too long, disconnected
    QList<QByteArray> ten;
    for (int i = 1; i <= 10; ++i)
        ten << "line " + QByteArray::number(i);
    QTest::newRow("four pass, then refusals, the tenth unit disconnects") << ten << QByteArray("pppprrrrrd");
    QTest::newRow("41 bytes are two units")
        << QList<QByteArray>{QByteArray(41, 'a'), QByteArray(41, 'b'), "c"} << QByteArray("ppr");
    QTest::newRow("over 200 bytes is refused and not counted")
        << QList<QByteArray>{QByteArray(201, 'a'), "b", "c", "d", "e"} << QByteArray("lpppp");
}

void tst_Gateway::floodGuard()
{
    QFETCH(QList<QByteArray>, lines);
    QFETCH(QByteArray, verdicts);
    const QHash<char, QByteArray> answer{{'r', "Slow down: you are sending too fast, and that line was not sent."},
                                         {'l', "That line is longer than 200 bytes and was not sent."},
                                         {'d', "Disconnected for flooding."}};
    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--quiet")}));
    Client alice, bob;
    QVERIFY(alice.connectTo(gateway.port) && alice.logIn("alice") && bob.connectTo(gateway.port) && bob.logIn("bob"));
    QVERIFY(alice.waitForLine("1002 JOIN bob") >= 0);
    alice.lines.clear();

    QList<QByteArray> passed, answers;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        alice.sendLine(lines.at(i));
        if (verdicts.at(i) == 'p')
            passed << "1005 TALK alice 0010 \"" + lines.at(i) + "\"";
        else
            answers << "1019 ERROR \"" + answer.value(verdicts.at(i)) + "\"";
    }
    const bool thrownOut = verdicts.endsWith('d');
    if (thrownOut)
        passed << "1003 LEAVE alice 0010";
    // The last line's fate shows, so the gateway has read them all.
    QVERIFY(alice.waitForLines(answers.size()) && bob.waitForLines(passed.size()));
    QCOMPARE(alice.lines, answers);
    QCOMPARE(bob.linesUntilBarrier(), passed);
    QTRY_COMPARE_WITH_TIMEOUT(alice.socket.state() == QAbstractSocket::UnconnectedState, thrownOut, Patience);
}

void tst_Gateway::keepAliveThenSilence()
{
    GatewayProcess gateway; // quiet: every line after the welcome is the gateway's own
    QVERIFY(gateway.start({QStringLiteral("--quiet"), QStringLiteral("--null-every"), QStringLiteral("200"),
                           QStringLiteral("--silent-after"), QStringLiteral("700")}));
    for (int round = 0; round < 2; ++round) { // a client that comes back is heard again, then not
        Client client;
        QVERIFY(client.connectTo(gateway.port) && client.logIn("wanderer"));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(client.waitForLines(3));
        QVERIFY2(clock.elapsed() >= 550, QByteArray::number(clock.elapsed()));
        QCOMPARE(client.lines, QList<QByteArray>(3, "2000 NULL"));
        QVERIFY(!client.socket.waitForReadyRead(1000)); // the fourth was due at 800 ms
        client.sendLine("/whois wanderer");
        QVERIFY(!client.socket.waitForReadyRead(1000));
        QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
    }
}

void tst_Gateway::flood_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("mix");

    const QString defaultMix = QStringLiteral("talk=70,emote=10,info=10,join=5,leave=5");
    QTest::newRow("default mix") << 2000 << defaultMix;
    QTest::newRow("larger than the socket buffer") << 60000 << defaultMix;
    QTest::newRow("leaves outnumber joins") << 3000 << QStringLiteral("join=1,leave=9");
    QTest::newRow("talk alone still needs someone to talk") << 500 << QStringLiteral("talk=1");
    QTest::newRow("nothing") << 0 << defaultMix;
}

void tst_Gateway::flood()
{
    QFETCH(int, count);
    QFETCH(QString, mix);

    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--quiet"), QStringLiteral("--flood"), QString::number(count),
                           QStringLiteral("--mix"), mix, QStringLiteral("--seed"), QStringLiteral("42")}));
    Client client;
    QVERIFY(client.connectTo(gateway.port));
    QVERIFY(client.logIn("Nomad", ""));
    // The socket first: the gateway generates only as fast as it drains.
    QVERIFY(client.waitForLines(count));
    const QString summary = gateway.stdoutLine(QStringLiteral("flood: "));
    QList<QByteArray> lines = client.linesUntilBarrier();
    QCOMPARE(lines.size(), qsizetype(count));

    QSet<QByteArray> members{"Nomad"};
    QHash<QByteArray, int> byCode;
    static const QRegularExpression layout(QStringLiteral(
        "^(?:(1002 JOIN|1003 LEAVE) (\\S+) (0010|0000|0002|0012)( \\[CHAT\\])?"
        "|(1005 TALK|1023 EMOTE) (\\S+) (0010|0000|0002|0012) \".*\"|1018 INFO \".*\")$"));
    for (const QByteArray &line : std::as_const(lines)) {
        const QRegularExpressionMatch m = layout.match(QString::fromLatin1(line));
        QVERIFY2(m.hasMatch(), line);
        const QByteArray code = line.left(4);
        ++byCode[code];
        const QByteArray who = (m.captured(2) + m.captured(6)).toLatin1();
        if (code == "1002")
            QVERIFY2(!members.contains(who) && !m.captured(4).isEmpty(), line);
        else if (code == "1003")
            QVERIFY2(who != "Nomad" && members.remove(who) && m.captured(4).isEmpty(), line);
        else if (code == "1005" || code == "1023")
            QVERIFY2(members.contains(who) && who != "Nomad", line);
        if (code == "1002")
            members.insert(who);
        if (code != "1002" && code != "1003") {
            const qsizetype length = quotedText(line).size();
            QVERIFY2(length >= 10 && length <= 120, line);
        }
    }
    const QString expected = QStringLiteral("flood: lines=%1 talk=%2 emote=%3 info=%4 join=%5 leave=%6 members=%7")
                                 .arg(count)
                                 .arg(byCode.value("1005"))
                                 .arg(byCode.value("1023"))
                                 .arg(byCode.value("1018"))
                                 .arg(byCode.value("1002"))
                                 .arg(byCode.value("1003"))
                                 .arg(members.size());
    QCOMPARE(summary, expected);
    QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
}

void tst_Gateway::floodDependsOnlyOnSeed()
{
    const auto run = [](const QString &seed) {
        GatewayProcess gateway;
        Client client;
        if (!gateway.start({QStringLiteral("--quiet"), QStringLiteral("--flood"), QStringLiteral("3000"),
                            QStringLiteral("--seed"), seed})
            || !client.connectTo(gateway.port) || !client.logIn("wayfarers", ""))
            return QList<QByteArray>{};
        return client.linesUntilBarrier();
    };
    const QList<QByteArray> first = run(QStringLiteral("7"));
    QCOMPARE(first.size(), qsizetype(3000));
    QCOMPARE(run(QStringLiteral("7")), first);
    QVERIFY(run(QStringLiteral("8")) != first);
}

void tst_Gateway::replay_data()
{
    QTest::addColumn<QString>("chunks");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("delayMs");

    QTest::newRow("mixed chunks") << QStringLiteral("1,7,100") << 2000 << QStringLiteral("1");
    QTest::newRow("single bytes") << QStringLiteral("1") << 300 << QStringLiteral("0");
    QTest::newRow("one chunk bigger than the file") << QStringLiteral("1000000") << 300000 << QStringLiteral("20");
    QTest::newRow("empty file") << QStringLiteral("5") << 0 << QStringLiteral("0");
}

void tst_Gateway::replay()
{
    QFETCH(QString, chunks);
    QFETCH(int, size);
    QFETCH(QString, delayMs);

    // Every byte value, with CR LF pairs and stray CRs and LFs among them.
    QByteArray data;
    for (int i = 0; data.size() < size; ++i)
        data += i % 61 == 0 ? QByteArray("1005 TALK x 0010 \"y\"\r\n") : QByteArray(1, char(i * 7 % 256));
    data.truncate(size);
    QTemporaryFile file;
    QVERIFY(file.open());
    file.write(data);
    file.flush();

    GatewayProcess gateway;
    QVERIFY(gateway.start({QStringLiteral("--replay"), file.fileName(), QStringLiteral("--chunks"), chunks,
                           QStringLiteral("--delay-ms"), delayMs}));
    Client client;
    QVERIFY(client.connectTo(gateway.port));
    QByteArray received;
    QDeadlineTimer deadline(Patience);
    while (received.size() < data.size() && !deadline.hasExpired()
           && client.socket.waitForReadyRead(int(deadline.remainingTime())))
        received += client.socket.readAll();
    received += client.socket.readAll();
    QCOMPARE(received.size(), data.size());
    QCOMPARE(received, data);
    QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
}

void tst_Gateway::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");

    QTest::newRow("port too big") << QStringList{"--port", "70000"};
    QTest::newRow("negative flood") << QStringList{"--flood", "-1"};
    QTest::newRow("mix weight not a number") << QStringList{"--flood", "5", "--mix", "talk=x"};
    QTest::newRow("mix kind unknown") << QStringList{"--flood", "5", "--mix", "dance=5"};
    QTest::newRow("mix all zero") << QStringList{"--flood", "5", "--mix", "talk=0"};
    QTest::newRow("replay file missing") << QStringList{"--replay", "/nonexistent/quillon-replay"};
    QTest::newRow("zero chunk size") << QStringList{"--replay", QUILLON_GATEWAY_EXE, "--chunks", "1,0"};
    QTest::newRow("guard tick of zero") << QStringList{"--guard-tick", "0"};
    QTest::newRow("bot tick of zero") << QStringList{"--bot-tick", "0"};
    QTest::newRow("keep-alive more often than 50 ms") << QStringList{"--null-every", "49"};
    QTest::newRow("negative silence") << QStringList{"--silent-after", "-1"};
    // Checked even where the mode that uses them is off.
    QTest::newRow("bad mix without a flood") << QStringList{"--mix", "dance=5"};
    QTest::newRow("bad seed without a flood") << QStringList{"--seed", "x"};
    QTest::newRow("bad chunks without a replay") << QStringList{"--chunks", "0"};
    QTest::newRow("bad delay without a replay") << QStringList{"--delay-ms", "-1"};
    QTest::newRow("unknown option") << QStringList{"--sever"};
    QTest::newRow("missing value") << QStringList{"--port"};
    QTest::newRow("stray argument") << QStringList{"6112"};
}

void tst_Gateway::badArguments()
{
    QFETCH(QStringList, arguments);

    QProcess process;
    process.start(QStringLiteral(QUILLON_GATEWAY_EXE), arguments);
    QVERIFY(process.waitForFinished(Patience));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2); // 1 says it could not listen
    QVERIFY(!process.readAllStandardOutput().contains("listening"));
    QVERIFY(!process.readAllStandardError().isEmpty());
}

void tst_Gateway::version()
{
    QProcess process;
    process.start(QStringLiteral(QUILLON_GATEWAY_EXE), {QStringLiteral("--version")});
    QVERIFY(process.waitForFinished(Patience));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardOutput().startsWith("quillon-gateway " QUILLON_VERSION "\n"));
}

void tst_Gateway::stopsOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");

    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void tst_Gateway::stopsOnSignal()
{
    QFETCH(int, signalNumber);

    GatewayProcess gateway;
    QVERIFY(gateway.start({}));
    Client client; // with a client and the bots about, not only when idle
    QVERIFY(client.connectTo(gateway.port));
    QVERIFY(client.logIn("Nomad", ""));

    QVERIFY(::kill(pid_t(gateway.process.processId()), signalNumber) == 0);
    QVERIFY(gateway.process.waitForFinished(Patience));
    QCOMPARE(gateway.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(gateway.process.exitCode(), 0);
}

QTEST_GUILESS_MAIN(tst_Gateway)
#include "tst_gateway.moc"
