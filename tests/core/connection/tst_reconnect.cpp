#include "connection/Reconnect.h"

#include <QRandomGenerator>
#include <QTest>

using namespace connection;

namespace {

// One event as a row spells it: "lost@5000", "in:mine@100"; and what the
// decision answered: "-", "wait@T" (the try due at T), "rejoin", "back",
// "elsewhere", "giveup".
QString step(Session &s, const QString &event, quint32 random)
{
    const auto at = event.indexOf(u'@');
    const QString name = event.first(at);
    const qint64 now = event.sliced(at + 1).toLongLong();
    static const QHash<QString, Event> Events{
        {"login", Event::LoggedIn}, {"try", Event::TryStarted}, {"answered", Event::Answered},
        {"in:mine", Event::InChannel}, {"in:other", Event::InChannel}, {"lost", Event::Lost},
        {"unreachable", Event::Unreachable}, {"refused", Event::Refused}, {"stopped", Event::Stopped},
    };
    switch (decide(s, Events.value(name), now, random, name == u"in:mine")) {
    case Next::Nothing: return QStringLiteral("-");
    case Next::Wait: return QStringLiteral("wait@%1").arg(s.tryAt);
    case Next::Rejoin: return QStringLiteral("rejoin");
    case Next::Back: return QStringLiteral("back");
    case Next::Elsewhere: return QStringLiteral("elsewhere");
    case Next::GiveUp: return QStringLiteral("giveup");
    }
    return {};
}

} // namespace

class tst_Reconnect : public QObject
{
    Q_OBJECT
private slots:
    void decides_data()
    {
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("answers");
        QTest::addColumn<quint32>("random");
        QTest::newRow("a loss at once after login: 2 s, then doubling, then rejoin")
            << QStringList{"login@0", "answered@0", "in:mine@0", "lost@1000", "try@3000", "unreachable@3010",
                           "try@7010", "answered@7100", "in:other@7200", "in:mine@7300"}
            << "- - - wait@3000 - wait@7010 - - rejoin back" << 0u;
        QTest::newRow("the spread adds up to a quarter") << QStringList{"login@0", "answered@0", "lost@1000"}
                                                          << "- - wait@3499" << 0xFFFFFFFFu;
        QTest::newRow("a long session starts the pauses over, a short one does not")
            << QStringList{"login@0", "answered@0", "lost@0", "try@2000", "answered@2000", "lost@2000",
                           "try@6000", "answered@6000", "lost@400000"}
            << "- - wait@2000 - - wait@6000 - - wait@402000" << 0u;
        QTest::newRow("the user's own login refused or lost: never tried")
            << QStringList{"login@0", "refused@100", "answered@200", "lost@300", "login@400", "lost@500"}
            << "- - - - - -" << 0u;
        QTest::newRow("refused on a try: a minute, growing, for about 15 minutes")
            << QStringList{"login@0", "answered@0", "lost@0", "try@2000", "refused@2000", "try@62000",
                           "refused@62000", "try@182000", "refused@182000", "try@422000", "refused@422000",
                           "try@662000", "refused@662000", "try@902000", "refused@902000"}
            << "- - wait@2000 - wait@62000 - wait@182000 - wait@422000 - wait@662000 - wait@902000 - giveup" << 0u;
        QTest::newRow("a third close before the login is a refusal")
            << QStringList{"login@0", "answered@0", "lost@0", "try@2000", "lost@2000", "try@6000", "lost@6000",
                           "try@14000", "lost@14000"}
            << "- - wait@2000 - wait@6000 - wait@14000 - wait@74000" << 0u;
        QTest::newRow("Connect in the pause stops the tries")
            << QStringList{"login@0", "answered@0", "lost@0", "stopped@500", "try@2000", "lost@2100"}
            << "- - wait@2000 - - -" << 0u;
        QTest::newRow("a clock that jumps back counts no time")
            << QStringList{"login@900000", "answered@900000", "lost@1000", "try@3000", "answered@3000",
                           "lost@3000"}
            << "- - wait@3000 - - wait@7000" << 0u;
        QTest::newRow("the rejoin lands elsewhere")
            << QStringList{"login@0", "answered@0", "lost@0", "try@2000", "answered@2000", "in:other@2100",
                           "in:other@2200", "in:other@2300"}
            << "- - wait@2000 - - rejoin elsewhere -" << 0u;
    }
    void decides()
    {
        QFETCH(QStringList, events);
        QFETCH(QString, answers);
        QFETCH(quint32, random);
        Session s;
        QStringList got;
        for (const QString &e : std::as_const(events))
            got << step(s, e, random);
        QCOMPARE(got.join(u' '), answers);
    }

    // Random sequences against the rule written out plainly: a try is never
    // due sooner than the shortest pause, nor later than the longest with
    // its spread; no try follows the user's own refused login; and tries
    // after refusals end within about 15 minutes of the first.
    void neverHammersNorLoops()
    {
        const ReconnectRule rule;
        for (quint32 seed = 1; seed <= 50; ++seed) {
            QRandomGenerator rng(seed);
            Session s;
            qint64 now = 0;
            qint64 firstRefusal = -1;
            bool ownRefused = false;
            for (int i = 0; i < 200; ++i) {
                now += rng.bounded(s.phase == Phase::Waiting ? 400000 : 20000);
                if (s.phase == Phase::Waiting && now < s.tryAt)
                    now = s.tryAt;
                const Event e = Event(rng.bounded(int(Event::Stopped) + 1));
                const Phase before = s.phase;
                const Next next = decide(s, e, now, rng.generate(), rng.bounded(2) == 0, rule);
                if (e == Event::LoggedIn)
                    ownRefused = false, firstRefusal = -1;
                if (e == Event::Refused && before == Phase::Off)
                    ownRefused = true;
                if (e == Event::Refused && before == Phase::Trying && firstRefusal < 0)
                    firstRefusal = now;
                if (e == Event::Answered && before == Phase::Trying)
                    firstRefusal = -1;
                if (next == Next::Wait) {
                    QVERIFY(!ownRefused);
                    const qint64 pause = s.tryAt - now;
                    QVERIFY2(pause >= rule.firstMs && pause <= rule.refusedCapMs + rule.refusedCapMs / 4,
                             qPrintable(QString::number(pause)));
                    if (firstRefusal >= 0)
                        QVERIFY(s.tryAt - firstRefusal <= rule.refusedForMs);
                }
                if (next == Next::GiveUp)
                    firstRefusal = -1;
            }
        }
    }
};

QTEST_APPLESS_MAIN(tst_Reconnect)
#include "tst_reconnect.moc"
