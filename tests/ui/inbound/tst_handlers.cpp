#include "app/frmBot.h"
#include "inbound/Receiver.h"
#include "inbound/RosterIndex.h"
#include "inbound/TranscriptBox.h"

#include "ConnectedWindow.h"

#include <QApplication>
#include <QHelpEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>

namespace {

QString cr(const char *text)
{
    return QString::fromLatin1(text) + u'\r';
}

// Calls the handler the line's code names, as the receiver does.
void handle(frmBot &w, const QString &line)
{
    w.dispatch(line);
}

QStringList entries(const frmBot &w)
{
    QStringList list;
    for (int i = 0; i < w.Roomlist->count(); ++i)
        list << w.Roomlist->item(i)->text();
    return list;
}

// What the user can see of the window's state after a line.
struct Seen
{
    QString transcript;
    QStringList entries;
    QString banner;
    QString channel;
    int pointer = 0;

    static Seen of(frmBot &w)
    {
        return {w.Text2->text(), ::entries(w), w.Channel->text(), w.CurrentChannel, w.MousePointer()};
    }
    bool operator==(const Seen &) const = default;
};

char *toString(const Seen &s)
{
    QString transcript = s.transcript;
    transcript.replace(QStringLiteral("\r\n"), QStringLiteral("<CRLF>"));
    const QString text = QStringLiteral("transcript \"%1\", entries [%2], banner \"%3\", channel \"%4\", pointer %5")
                             .arg(transcript, s.entries.join(u'|'), s.banner, s.channel)
                             .arg(s.pointer);
    return qstrdup(text.toUtf8().constData());
}

// A session recorded from a real gateway, after the login, and what each line
// must leave on screen. The three prose lines before it stand for what a
// gateway says before the login: no code, so nothing happens.
struct Step
{
    const char *line;
    Seen after;
};

const QString Greeting = QStringLiteral("Hello wanderer, welcome!\r\n");
const QString Welcome = Greeting + QStringLiteral("\r\n");
const QString Talk = QStringLiteral("heron : hello there 10000 \"quoted\"\r\n");
const QString Emote = QStringLiteral("heron  waves 0000\r\n");
const QString Whisper = QStringLiteral(" heron : (whisper) see you\r\n");
// A whisper typed as a command: not echoed, so the server's confirmation
// is what shows it, and to whom.
const QString Confirmed = QStringLiteral("wandererTO heron: good game\r\n");
// Whatever a member's flags, what they say shows; the server's own words
// stand apart.
const QString Said = Welcome + Talk + Emote + Whisper + Confirmed;
const QString Operator = QStringLiteral("wanderer : now I am an operator\r\n");
const QString Announced = QStringLiteral("*** Announcement from nightowl: Server restarts in 5 minutes\r\n");
const QString Missing = QStringLiteral("The channel \"Nowhere\" does not exist.\r\n");
const QString Unknown = QStringLiteral("*** 1016 INFO \"a code we do not know\"\r\n");
const QStringList Both{QStringLiteral("wanderer "), QStringLiteral("heron ")};
const QStringList Alone{QStringLiteral("wanderer ")};

const Step Recorded[] = {
    {"Connected.", {"", {}, "Marrow Vale", "", 0}},
    {"Username: wanderer", {"", {}, "Marrow Vale", "", 0}},
    {"Password: ", {"", {}, "Marrow Vale", "", 0}},
    {"2010 NAME wanderer", {"", {}, "Marrow Vale", "", 0}},
    {"1007 CHANNEL \"Chat\"", {"", {}, "Chat  (0)", "Chat", 1}},
    {"1001 USER wanderer 0010 [CHAT]", {"", Alone, "Chat  (1)", "Chat", 1}},
    {"1019 ERROR \"Hello wanderer, welcome!\"", {Greeting, Alone, "Chat  (1)", "Chat", 1}},
    {"1018 INFO \"\"", {Welcome, Alone, "Chat  (1)", "Chat", 1}},
    {"1002 JOIN heron 0010 [CHAT]", {Welcome, Both, "Chat  (2)", "Chat", 1}},
    {"1005 TALK heron 0010 \"hello there 10000 \"quoted\"\"", {Welcome + Talk, Both, "Chat  (2)", "Chat", 1}},
    {"1023 EMOTE heron 0010 \"waves 0000\"", {Welcome + Talk + Emote, Both, "Chat  (2)", "Chat", 1}},
    {"1004 WHISPER heron 0010 \"see you\"", {Welcome + Talk + Emote + Whisper, Both, "Chat  (2)", "Chat", 1}},
    {"1010 WHISPER heron 0010 \"good game\"", {Said, Both, "Chat  (2)", "Chat", 1}},
    {"1009 USER wanderer 0002", {Said, Both, "Chat  (2)", "Chat", 1}},
    {"1005 TALK wanderer 0002 \"now I am an operator\"", {Said + Operator, Both, "Chat  (2)", "Chat", 1}},
    {"1006 _ \"Announcement from nightowl: Server restarts in 5 minutes\"", {Said + Operator + Announced, Both, "Chat  (2)", "Chat", 1}},
    {"1014 CHANNELDOESNOTEXIST \"Nowhere\"", {Said + Operator + Announced + Missing, Both, "Chat  (2)", "Chat", 1}},
    {"1016 INFO \"a code we do not know\"", {Said + Operator + Announced + Missing + Unknown, Both, "Chat  (2)", "Chat", 1}},
    {"1003 LEAVE heron 0008", {Said + Operator + Announced + Missing + Unknown, Alone, "Chat  (1)", "Chat", 1}},
};

using Client = ConnectedWindow;

void verifyCaretAtEnd(frmBot &w)
{
    const QString text = w.Text2->text();
    QCOMPARE(w.Text2->textLength(), text.size());
    QCOMPARE(w.Text2->selStart(), text.size());
}

} // namespace

class tst_Handlers : public QObject
{
    Q_OBJECT
private slots:
    // ---- transcript ----------------------------------------------------

    void transcript_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("transcript");
        QTest::newRow("talk: alice")
            << QStringList{cr("1005 TALK alice 0010 \"hello there\"")} << "alice : hello there\r\n";
        QTest::newRow("whisper: bob")
            << QStringList{cr("1004 WHISPERbob 0010 \"see you\"")} << "bob : (whisper) see you\r\n";
        QTest::newRow("emote: carol") << QStringList{cr("1023 EMOTE carol 0000 \"waves\"")} << "carol  waves\r\n";
        QTest::newRow("info: welcome")
            << QStringList{cr("1018 INFO \"Welcome aboard\"")} << "Welcome aboard\r\n";
        QTest::newRow("error: the quoted text, as info")
            << QStringList{cr("1019 ERROR \"You have to be at least a Channel Operator to use this command.\"")}
            << "You have to be at least a Channel Operator to use this command.\r\n";
        QTest::newRow("channels refused in plain words, named when the line names one")
            << QStringList{cr("1013 CHANNELFULL \"Chat\""), cr("1015 CHANNELRESTRICTED")}
            << "The channel \"Chat\" is full.\r\nThat channel is restricted.\r\n";
        QTest::newRow("info without quotes adds an empty line")
            << QStringList{cr("1018 INFO \"Welcome aboard\""), cr("1018 INFO none"), cr("1018 \"one")}
            << "Welcome aboard\r\n\r\n\r\n";
        QTest::newRow("inner quotes kept in whispers and info as in talk")
            << QStringList{cr("1004 WHISPERbob 0010 \"say \"hi\"\""), cr("1005 TALK bob 0010 \"say \"hi\"\""),
                           cr("1018 INFO \"heron is in channel \"Quillon Ops\".\"")}
            << "bob : (whisper) say \"hi\"\r\nbob : say \"hi\"\r\nheron is in channel \"Quillon Ops\".\r\n";
        QTest::newRow("empty text still appended")
            << QStringList{cr("1005 TALK alice 0010 \"\"")} << "alice : \r\n";
        QTest::newRow("flag values in the text leave the name alone")
            << QStringList{cr("1005 TALK alice 0010 \"got 0000 today\""),
                           cr("1005 TALK heron 0010 \"scored 10000 points\"")}
            << "alice : got 0000 today\r\nheron : scored 10000 points\r\n";
        QTest::newRow("flag values in the name")
            << QStringList{cr("1005 TALK x0010y 0012 \"hi\""), cr("1023 EMOTE bob0000 0010 \"waves\"")}
            << "x0010y : hi\r\nbob0000  waves\r\n";
        QTest::newRow("names that are flag values")
            << QStringList{cr("1005 TALK 0010 0000 \"hi\""), cr("1023 EMOTE 0002 0012 \"waves\"")}
            << "0010 : hi\r\n0002  waves\r\n";
        QTest::newRow("malformed lines between good ones")
            << QStringList{cr("1005 TALK alice 0010 \"one\""), cr("1005 TALK alice 00x0 \"lost\""),
                           cr("1004 WHISPERbob 0010 \"lost"), cr("1023 EMOTE carol 0010"),
                           cr("1005 TALK alice 0010 \"two\"")}
            << "alice : one\r\nalice : two\r\n";
    }
    void transcript()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, transcript);
        frmBot w;
        for (const QString &line : lines) {
            handle(w, line);
            verifyCaretAtEnd(w);
        }
        QCOMPARE(w.Text2->text(), transcript);
        QCOMPARE(w.Text2->lineCount(), transcript.count(QStringLiteral("\r\n")));
    }

    void malformedLineLeavesTranscriptUnchanged_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("talk without flag field") << cr("1005 TALK alice 00x0 \"hi\"");
        QTest::newRow("talk with flag before the name") << cr("1005 0010 alice \"hi\"");
        QTest::newRow("talk too short for its text") << cr("1005 TALK alice 0010 \"");
        QTest::newRow("talk: code alone") << cr("1005");
        QTest::newRow("whisper without flag field") << cr("1004 WHISPERbob 00x0 \"hi\"");
        QTest::newRow("whisper with flag before the name") << cr("1004 WHISP 0010 \"hi\"");
        QTest::newRow("whisper with one quote") << cr("1004 WHISPERbob 0010 \"hi");
        QTest::newRow("whisper without quotes") << cr("1004 WHISPERbob 0010 hi");
        QTest::newRow("emote without flag field") << cr("1023 EMOTE carol 00x1 \"waves\"");
        QTest::newRow("emote with flag before the name") << cr("1023 EMOT 0010 \"waves\"");
        QTest::newRow("emote too short for its text") << cr("1023 EMOTE carol 0010 ");
    }
    void malformedLineLeavesTranscriptUnchanged()
    {
        QFETCH(QString, line);
        frmBot w;
        w.OnTalk(cr("1005 TALK alice 0010 \"hello there\""));
        const QString before = w.Text2->text();
        const qsizetype caret = w.Text2->selStart();
        QSignalSpy changes(w.Text2->document(), &QTextDocument::contentsChange);
        handle(w, line);
        QCOMPARE(w.Text2->text(), before);
        QCOMPARE(w.Text2->selStart(), caret);
        QCOMPARE(changes.size(), 0);
    }

    // Earlier text is never taken out and put back: each append only adds at
    // the end.
    void appendsInPlace()
    {
        frmBot w;
        w.OnInfo(cr("1018 INFO \"first\""));
        const qsizetype before = w.Text2->document()->characterCount();
        QSignalSpy changes(w.Text2->document(), &QTextDocument::contentsChange);
        w.OnTalk(cr("1005 TALK alice 0010 \"second\""));
        w.OnEmote(cr("1023 EMOTE carol 0000 \"third\""));
        w.Text2->flush();
        QVERIFY(!changes.isEmpty());
        for (const auto &change : changes) {
            QVERIFY(change.at(0).toInt() >= before - 1); // at the end
            QCOMPARE(change.at(1).toInt(), 0);            // nothing removed
        }
        QCOMPARE(w.Text2->text(), QStringLiteral("first\r\nalice : second\r\ncarol  third\r\n"));
    }

    void controlCharactersShownAsStandIns_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("LF cannot forge a line")
            << cr("1005 TALK eve 0010 \"hi\nmallory : give me your password\"")
            << QStringLiteral("eve : hi\u240Amallory : give me your password");
        QTest::newRow("LF in an info text") << cr("1018 INFO \"a\nb\"") << QStringLiteral("a\u240Ab");
        QTest::newRow("NUL, ESC and DEL")
            << QString(cr("1004 WHISPERbob 0010 \"a_b\x1b[2Jc\x7f\"")).replace(u'_', QChar(0))
            << QStringLiteral("bob : (whisper) a\u2400b\u241B[2Jc\u2421");
        QTest::newRow("form feed and vertical tab in an emote")
            << cr("1023 EMOTE carol 0010 \"a\fb\vc\"") << QStringLiteral("carol  a\u240Cb\u240Bc");
        QTest::newRow("paragraph separator cannot forge a line")
            << QString(cr("1005 TALK eve 0010 \"hi_kestrel : whisper me your password\"")).replace(u'_', QChar(0x2029))
            << QStringLiteral("eve : hi\u00B6kestrel : whisper me your password");
        QTest::newRow("line separator and frame markers")
            << QStringLiteral("1018 INFO \"a\u2028b\uFDD0c\uFDD1\"\r") << QStringLiteral("a\u21B5b\uFFFDc\uFFFD");
        QTest::newRow("a right-to-left override stays in the text")
            << QStringLiteral("1005 TALK eve\u202E 0010 \"hi\"\r") << QStringLiteral("eve\uFFFD : hi");
        QTest::newRow("emoji beyond U+FFFF")
            << QStringLiteral("1023 EMOTE eve 0010 \"\U0001F4AF \U0001F4AA \U0001F984 \U0001F600 \U0001D11E \U0001F9C0\"\r")
            << QStringLiteral("eve  \U0001F4AF \U0001F4AA \U0001F984 \U0001F600 \U0001D11E \U0001F9C0");
        QTest::newRow("tab kept") << cr("1005 TALK alice 0010 \"a\tb\"") << QStringLiteral("alice : a\tb");
        QTest::newRow("no-break space kept")
            << QString(cr("1005 TALK alice 0010 \"a_b\"")).replace(u'_', QChar(0xa0))
            << QStringLiteral("alice : a\u00a0b");
    }
    void controlCharactersShownAsStandIns()
    {
        QFETCH(QString, line);
        QFETCH(QString, shown);
        frmBot w;
        handle(w, line);
        QCOMPARE(w.Text2->text(), shown + QStringLiteral("\r\n"));
        QCOMPARE(w.Text2->lineCount(), 1);
        verifyCaretAtEnd(w);
    }

    void transcriptIsPlainText()
    {
        frmBot w;
        QVERIFY(qobject_cast<QPlainTextEdit *>(w.Text2));
        w.OnTalk(cr("1005 TALK alice 0010 \"<b>bold</b> &amp; <img src=x>\""));
        QCOMPARE(w.Text2->text(), QStringLiteral("alice : <b>bold</b> &amp; <img src=x>\r\n"));
        QCOMPARE(w.Text2->document()->blockCount(), 2);
        QVERIFY(!w.Text2->document()->firstBlock().charFormat().font().bold());
    }

    // The transcript keeps the newest lines and lets the oldest go, with the
    // caret still after the newest.
    void scrollbackKeepsTheNewestLines()
    {
        frmBot w;
        const int limit = TranscriptBox::Scrollback;
        QCOMPARE(limit, 100000);
        const int first = limit + 50;
        for (int i = 0; i < first; ++i)
            w.OnInfo(QStringLiteral("1018 INFO \"line %1\"\r").arg(i));
        QCOMPARE(w.Text2->lineCount(), limit);
        QCOMPARE(w.Text2->document()->firstBlock().text(), QStringLiteral("line 50"));
        QString text = w.Text2->text();
        QVERIFY(text.startsWith(QStringLiteral("line 50\r\nline 51\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("line %1\r\n").arg(first - 1)));
        verifyCaretAtEnd(w);

        // A second batch trims again, from the top.
        for (int i = first; i < first + 10; ++i)
            w.OnTalk(QStringLiteral("1005 TALK alice 0010 \"line %1\"\r").arg(i));
        QCOMPARE(w.Text2->lineCount(), limit);
        QCOMPARE(w.Text2->document()->firstBlock().text(), QStringLiteral("line 60"));
        QCOMPARE(w.Text2->document()->lastBlock().previous().text(),
                 QStringLiteral("alice : line %1").arg(first + 9));
        verifyCaretAtEnd(w);
    }

    // ---- user list and banner ------------------------------------------

    void listAndBanner_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("banner");
        QTest::addColumn<QString>("channel");

        const QString harbour = cr("1007 CHANNEL \"Harbour Lights\"");
        QTest::newRow("channel line") << QStringList{harbour} << QStringList{} << "Harbour Lights  (0)"
                                      << "Harbour Lights";
        QTest::newRow("user") << QStringList{harbour, cr("1001 USER wanderer 0010 [CHAT]")}
                              << QStringList{"wanderer "} << "Harbour Lights  (1)" << "Harbour Lights";
        QTest::newRow("user and join")
            << QStringList{harbour, cr("1001 USER wanderer 0010 [CHAT]"), cr("1002 JOIN nightowl 0010 [CHAT]")}
            << QStringList{"wanderer ", "nightowl "} << "Harbour Lights  (2)" << "Harbour Lights";
        QTest::newRow("user, join and leave")
            << QStringList{harbour, cr("1001 USER wanderer 0010 [CHAT]"), cr("1002 JOIN nightowl 0010 [CHAT]"),
                           cr("1003 LEAVE wanderer 0010 [CHAT]")}
            << QStringList{"nightowl "} << "Harbour Lights  (1)" << "Harbour Lights";
        QTest::newRow("duplicates: one leave removes the first")
            << QStringList{cr("1007 CHANNEL \"Chat\""), cr("1002 JOIN heron 0010"), cr("1002 JOIN bob 0010"),
                           cr("1002 JOIN heron 0010"), cr("1003 LEAVE heron 0010")}
            << QStringList{"bob ", "heron "} << "Chat  (2)" << "Chat";
        QTest::newRow("leave is case-sensitive")
            << QStringList{cr("1002 JOIN Heron 0010"), cr("1003 LEAVE heron 0010")} << QStringList{"Heron "}
            << "  (1)" << "";
        QTest::newRow("only blanks are trimmed")
            << QStringList{cr("1002 JOIN \theron 0010"), cr("1003 LEAVE heron 0010")}
            << QStringList{"\theron "} << "  (1)" << "";
        QTest::newRow("extra blanks around an entry")
            << QStringList{cr("1002 JOIN  heron  0010"), cr("1003 LEAVE heron 0010")} << QStringList{} << "  (0)"
            << "";
        QTest::newRow("before any channel line")
            << QStringList{cr("1001 USER wanderer 0010 [CHAT]")} << QStringList{"wanderer "} << "  (1)" << "";
        QTest::newRow("leave without a match still rewrites the banner")
            << QStringList{cr("1003 LEAVE ghost 0010")} << QStringList{} << "  (0)" << "";
        QTest::newRow("channel line empties the list")
            << QStringList{harbour, cr("1001 USER a 0010"), cr("1002 JOIN b 0010"), cr("1007 CHANNEL \"Chat\"")}
            << QStringList{} << "Chat  (0)" << "Chat";
        QTest::newRow("names holding flag values stay whole")
            << QStringList{cr("1002 JOIN x0000 0010 [CHAT]"), cr("1002 JOIN x0010y 0012 [CHAT]"),
                           cr("1001 USER bob0000 0010 [CHAT]"), cr("1003 LEAVE x0000 0010")}
            << QStringList{"x0010y ", "bob0000 "} << "  (2)" << "";
        QTest::newRow("names that are flag values")
            << QStringList{cr("1002 JOIN 0000 0012 [CHAT]"), cr("1001 USER 0010 0000 [CHAT]"),
                           cr("1003 LEAVE 0010 0000")}
            << QStringList{"0000 "} << "  (1)" << "";
        QTest::newRow("empty leave name removes the first blank-only entry")
            << QStringList{cr("1002 JOIN heron 0010"), cr("1001 USER  0010"), cr("1001 USER   0010"),
                           cr("1003 LEAVE  0010")}
            << QStringList{"heron ", "  "} << "  (2)" << "";
        QTest::newRow("markup stays text")
            << QStringList{cr("1007 CHANNEL \"<b>x</b>\""), cr("1002 JOIN <i>y</i> 0010")}
            << QStringList{"<i>y</i> "} << "<b>x</b>  (1)" << "<b>x</b>";
    }
    void listAndBanner()
    {
        QFETCH(QStringList, lines);
        QFETCH(QStringList, entries);
        QFETCH(QString, banner);
        QFETCH(QString, channel);
        frmBot w;
        for (const QString &line : lines)
            handle(w, line);
        QCOMPARE(::entries(w), entries);
        QCOMPARE(w.Channel->text(), banner);
        QCOMPARE(w.CurrentChannel, channel);
        QVERIFY(w.Text2->text().isEmpty());
    }

    // Lines without a usable name field or channel name change nothing at
    // all, neither on a fresh window nor in a channel.
    void malformedMembershipLineChangesNothing_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("user without flag field") << cr("1001 USER heron 00x0 [CHAT]");
        QTest::newRow("user with flag before 11") << cr("1001 0010 heron");
        QTest::newRow("user: code alone") << cr("1001");
        QTest::newRow("join without flag field") << cr("1002 JOIN heron 00x1");
        QTest::newRow("join with flag before 11") << cr("1002 0000 heron");
        QTest::newRow("leave without flag field") << cr("1003 LEAVE wanderer");
        QTest::newRow("leave with flag before 11") << cr("1003 0010 wanderer");
        QTest::newRow("channel of 15 characters") << cr("1007 CHANNEL \"");
        QTest::newRow("channel: code alone") << cr("1007");
    }
    void malformedMembershipLineChangesNothing()
    {
        QFETCH(QString, line);
        frmBot w;
        const Seen fresh = Seen::of(w);
        handle(w, line);
        QCOMPARE(Seen::of(w), fresh);

        handle(w, cr("1007 CHANNEL \"Chat\""));
        handle(w, cr("1001 USER wanderer 0010 [CHAT]"));
        w.setMousePointer(frmBot::PointerHourglass);
        const Seen inChannel = Seen::of(w);
        handle(w, line);
        QCOMPARE(Seen::of(w), inChannel);
    }

    void everyChannelLineSetsTheArrow()
    {
        frmBot w;
        QCOMPARE(w.MousePointer(), int(frmBot::PointerDefault));
        w.OnUser(cr("1001 USER wanderer 0010"));
        QCOMPARE(w.MousePointer(), int(frmBot::PointerDefault));
        for (const char *channel : {"1007 CHANNEL \"Chat\"", "1007 CHANNEL \"Harbour Lights\""}) {
            w.setMousePointer(frmBot::PointerHourglass);
            w.OnChannel(cr(channel));
            QCOMPARE(w.MousePointer(), int(frmBot::PointerArrow));
            QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
        }
    }

    void manyEntriesPast16Bits()
    {
        frmBot w;
        w.OnChannel(cr("1007 CHANNEL \"Crowd\""));
        const int n = 40000;
        for (int i = 0; i < n; ++i)
            w.OnJoin(QStringLiteral("1002 JOIN u%1 0010 [CHAT]\r").arg(i));
        QCOMPARE(w.Roomlist->count(), n);
        QCOMPARE(w.Channel->text(), QStringLiteral("Crowd  (40000)"));
        QCOMPARE(w.Roomlist->item(39999)->text(), QStringLiteral("u39999 "));

        w.OnLeave(cr("1003 LEAVE u39999 0010"));
        w.OnLeave(cr("1003 LEAVE u35000 0010"));
        QCOMPARE(w.Roomlist->count(), n - 2);
        QCOMPARE(w.Roomlist->item(35000)->text(), QStringLiteral("u35001 "));
        QCOMPARE(w.Roomlist->item(n - 3)->text(), QStringLiteral("u39998 "));
        QCOMPARE(w.Channel->text(), QStringLiteral("Crowd  (39998)"));

        w.Roomlist->setCurrentRow(39000);
        QCOMPARE(w.Roomlist->currentRow(), 39000);
        QCOMPARE(w.Roomlist->currentItem()->text(), QStringLiteral("u39001 "));

        w.OnChannel(cr("1007 CHANNEL \"Quiet\""));
        QCOMPARE(w.Roomlist->count(), 0);
        QCOMPARE(w.Channel->text(), QStringLiteral("Quiet  (0)"));
    }

    void serverTextIsPlainText()
    {
        frmBot w;
        w.OnChannel(cr("1007 CHANNEL \"<b>x</b>\""));
        w.OnJoin(cr("1002 JOIN <i>y</i> 0010"));
        QCOMPARE(w.Channel->textFormat(), Qt::PlainText);
        QCOMPARE(w.Channel->text(), QStringLiteral("<b>x</b>  (1)"));
        // The list draws its items' text as it stands: no markup is read.
        QVERIFY(qobject_cast<QStyledItemDelegate *>(w.Roomlist->itemDelegate()));
        QCOMPARE(w.Roomlist->item(0)->data(Qt::DisplayRole).toString(), QStringLiteral("<i>y</i> "));
    }

    // A name too long for the banner is cut so that the count shows on its
    // one line, from 9 members to 10 too; the tooltip holds it whole.
    void longChannelNameKeepsItsCount_data()
    {
        QTest::addColumn<QString>("channel");
        const QString sixty = QStringLiteral("The Harbour of Northern Lights and Far Southern Seas, Reborn");
        QTest::newRow("60 characters") << sixty;
        QTest::newRow("short name") << QStringLiteral("Chat");
        QTest::newRow("markup") << "<b>" + sixty + "</b>";
        QTest::newRow("emoji") << QStringLiteral("\U0001F600").repeated(30);
        QTest::newRow("right to left")
            << QStringLiteral("\u05E0\u05DE\u05DC \u05D4\u05D0\u05D5\u05E8\u05D5\u05EA ").repeated(6);
    }
    void longChannelNameKeepsItsCount()
    {
        QFETCH(QString, channel);
        frmBot w;
        w.OnChannel(QStringLiteral("1007 CHANNEL \"%1\"\r").arg(channel));
        for (int n = 1; n <= 10; ++n) {
            w.OnJoin(QStringLiteral("1002 JOIN u%1 0010\r").arg(n));
            const QString count = QStringLiteral("  (%1)").arg(n), shown = w.Channel->text();
            const QString kept = shown.chopped(count.size() + 1);
            QVERIFY2(shown == channel + count
                         || (shown == kept + u'\u2026' + count && channel.startsWith(kept) && shown.isValidUtf16()),
                     qPrintable(shown));
            QVERIFY(w.Channel->heightForWidth(w.Channel->width()) < 2 * QFontMetrics(w.Channel->font()).height());
        }
        QHelpEvent help(QEvent::ToolTip, {5, 5}, w.Channel->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(w.Channel, &help);
        QString read; // as the tooltip shows it
        for (QWidget *top : QApplication::topLevelWidgets())
            if (auto *tip = qobject_cast<QLabel *>(top); tip && tip->inherits("QTipLabel") && tip->isVisible())
                read = Qt::mightBeRichText(tip->text()) ? tip->findChild<QTextDocument *>()->toPlainText()
                                                        : tip->text();
        const QString whole = channel + QStringLiteral("  (10)");
        QCOMPARE(read, w.Channel->text() == whole ? QString() : whole);
        QToolTip::hideText();
    }

    // Names and channel names stay as received (they go back to the server
    // so), but are shown with stand-ins: one entry is one row.
    void controlCharactersInListAndBanner()
    {
        frmBot w;
        w.OnChannel(cr("1007 CHANNEL \"a\nb\""));
        w.OnJoin(cr("1002 JOIN alice\nbob 0010"));
        w.OnJoin(cr("1002 JOIN carol 0010"));
        QCOMPARE(w.CurrentChannel, QStringLiteral("a\nb"));
        QCOMPARE(w.Channel->text(), QStringLiteral("a\u240Ab  (2)"));
        QCOMPARE(w.Roomlist->item(0)->text(), QStringLiteral("alice\nbob "));

        QAbstractItemDelegate *delegate = w.Roomlist->itemDelegate();
        QStyleOptionViewItem option;
        option.initFrom(w.Roomlist);
        const QModelIndex forged = w.Roomlist->model()->index(0, 0);
        const QModelIndex plain = w.Roomlist->model()->index(1, 0);
        QCOMPARE(delegate->sizeHint(option, forged).height(), delegate->sizeHint(option, plain).height());
        auto *styled = qobject_cast<QStyledItemDelegate *>(delegate);
        QVERIFY(styled);
        QCOMPARE(styled->displayText(forged.data(), QLocale()), QStringLiteral("alice\u240Abob "));

        w.OnLeave(cr("1003 LEAVE alice\nbob 0010"));
        QCOMPARE(w.Roomlist->count(), 1);
    }

    // ---- attention ------------------------------------------------------

    void alertsOnlyWhileInactive_data()
    {
        QTest::addColumn<QStringList>("batches");
        QTest::addColumn<bool>("active");
        QTest::addColumn<int>("alerts");
        const QString called = QStringLiteral("1005 TALK heron 0010 \"hi KESTREL!\"\r\n1023 EMOTE heron 0010 \"pokes kestrel\"\r\n");
        const QString whisper = QStringLiteral("1004 WHISPER heron 0010 \"psst\"\r\n");
        QTest::newRow("named in a flood, then whispered: once per batch")
            << QStringList{called.repeated(20), whisper} << false << 2;
        QTest::newRow("inside a word, as the sender, or not chat")
            << QStringList{QStringLiteral("1005 TALK heron 0010 \"kestrels fly\"\r\n1005 TALK kestrel 0010 \"hi\"\r\n"
                                          "1018 INFO \"kestrel\"\r\n1019 ERROR \"kestrel\"\r\n")}
            << false << 0;
        QTest::newRow("never while active") << QStringList{called + whisper} << true << 0;
    }
    void alertsOnlyWhileInactive()
    {
        QFETCH(QStringList, batches);
        QFETCH(bool, active);
        QFETCH(int, alerts);
        resetGlobals(QStringLiteral("kestrel"));
        frmBot w;
        if (active) {
            w.show();
            QVERIFY(QTest::qWaitForWindowActive(&w));
        }
        QSignalSpy asked(&w, &frmBot::attentionAsked);
        for (const QString &batch : batches)
            w.receiver().feed(batch.toUtf8());
        QCOMPARE(asked.size(), alerts);
    }

    // ---- a recorded session --------------------------------------------

    void recordedLinesThroughTheHandlers()
    {
        frmBot w;
        for (const Step &step : Recorded) {
            handle(w, cr(step.line));
            QVERIFY2(Seen::of(w) == step.after, step.line);
            verifyCaretAtEnd(w);
        }
    }

    void recordedLinesThroughTheConnection_data()
    {
        QTest::addColumn<QList<qsizetype>>("cuts");
        QTest::newRow("one arrival") << QList<qsizetype>{};
        QTest::newRow("split inside lines and between CR and LF") << QList<qsizetype>{7, 40, 41, 120, 200, 201};
    }
    void recordedLinesThroughTheConnection()
    {
        QFETCH(QList<qsizetype>, cuts);
        Client c;
        // The state at each cut line is what the lines before it left.
        QList<Seen> before;
        QObject::connect(&c.w, &frmBot::lineCut, &c.w, [&] { before << Seen::of(c.w); });
        QByteArray bytes;
        for (const Step &step : Recorded)
            bytes += QByteArray(step.line) + "\r\n";
        c.gw.sendSplit(bytes, cuts);

        const qsizetype n = std::size(Recorded);
        QTRY_COMPARE(c.lines.size(), n);
        QCOMPARE(Seen::of(c.w), Recorded[n - 1].after);
        // 1009 gave the entry its new flags in place.
        QCOMPARE(c.w.Roomlist->item(0)->data(RosterIndex::FlagsRole).toInt(), 0x02);
        verifyCaretAtEnd(c.w);
        QCOMPARE(before.size(), n);
        for (qsizetype i = 1; i < n; ++i)
            QVERIFY2(before[i] == Recorded[i - 1].after, Recorded[i - 1].line);
    }

    // A shown window after a little chat: everything is in view. With
    // QUILLON_SCREENSHOT set, the window is also saved there as an image.
    void shownChannel()
    {
        frmBot w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const char *lines[] = {
            "1007 CHANNEL \"Harbour Lights\"",
            "1001 USER wanderer 0010 [CHAT]",
            "1001 USER nightowl 0010 [CHAT]",
            "1001 USER heron 0010 [CHAT]",
            "1001 USER x0010y 0012 [CHAT]",
            "1018 INFO \"Welcome to Harbour Lights, wanderer!\"",
            "1005 TALK heron 0010 \"hello there\"",
            "1005 TALK nightowl 0010 \"evening all, scored 10000 points today\"",
            "1023 EMOTE heron 0010 \"waves\"",
            "1002 JOIN carol 0010 [CHAT]",
            "1005 TALK carol 0010 \"<b>not bold</b> and a\nfake line\"",
            "1004 WHISPER nightowl 0010 \"see you at the docks\"",
            "1003 LEAVE heron 0010",
            "1005 TALK x0010y 0012 \"bye\"",
        };
        for (const char *line : lines)
            handle(w, cr(line));
        QTest::qWait(50);
        QCOMPARE(w.Channel->text(), QStringLiteral("Harbour Lights  (4)"));
        QCOMPARE(w.Roomlist->count(), 4);
        QCOMPARE(w.Text2->lineCount(), 7);
        QScrollBar *bar = w.Text2->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
        const QString path = qEnvironmentVariable("QUILLON_SCREENSHOT");
        if (!path.isEmpty())
            QVERIFY(w.grab().save(path));
    }

    // Before the login has its answer, the server's refusal is shown and the
    // hourglass ends; after it, lines without a code are nobody's. The name
    // the server gives is the one echoed.
    void serverAnswersTheLogin()
    {
        ConnectedWindow c;
        c.w.ProceedLogin();
        QCOMPARE(c.w.MousePointer(), int(frmBot::PointerHourglass));
        QSignalSpy refused(&c.w, &frmBot::loginRefused);
        c.gw.send("Connection from [127.0.0.1]\r\nUsername: Password: Login failed.\r\nUsername: ");
        QTRY_COMPARE(refused.size(), 1);
        QCOMPARE(c.w.Text2->text(), QStringLiteral("Login failed.\r\n"));
        QCOMPARE(c.w.MousePointer(), int(frmBot::PointerArrow));

        c.w.ProceedLogin();
        c.gw.send("2010 NAME Kestrel\r\n1007 CHANNEL \"Chat\"\r\nLogin failed.\r\n");
        QTRY_COMPARE(c.w.CurrentChannel, QStringLiteral("Chat"));
        QTRY_COMPARE(c.cut, 5); // the prompt left unfinished went with the old connection
        c.w.Text1->setText(QStringLiteral("hi"));
        QVERIFY(c.w.Send_Click());
        QCOMPARE(c.w.Text2->text(), QStringLiteral("Login failed.\r\nKestrel: hi\r\n"));
        QCOMPARE(refused.size(), 1);
    }

    // The whole road through a real window and socket.
    void transcriptShowsTheHandledLines()
    {
        ConnectedWindow c;
        c.gw.send("1018 INFO \"Welcome aboard\"\r\n2000 NULL\r\n1019 ERROR \"That user is not logged on.\"\r\n");
        QTRY_COMPARE(c.lines.size(), 3);
        QCOMPARE(c.w.Text2->text(), QStringLiteral("Welcome aboard\r\nThat user is not logged on.\r\n"));
        QCOMPARE(c.w.Text2->selStart(), c.w.Text2->text().size());
    }
};

QTEST_MAIN(tst_Handlers)
#include "tst_handlers.moc"
