#include "inbound/Fields.h"
#include "inbound/FindFlags.h"
#include "inbound/LogNames.h"
#include "inbound/ShownText.h"
#include "protocol/WireText.h"

#include <QTest>

#include <optional>

using namespace inbound;

namespace {
// A line as the receiver hands it over: ending in its CR.
QString cr(const char *text)
{
    return QString::fromLatin1(text) + u'\r';
}

// Rows hold either a result or "skipped"; QVariant keeps the two apart.
QVariant some(const QString &s) { return s; }
const QVariant skipped;

QVariant asVariant(const std::optional<QString> &v)
{
    return v ? QVariant(*v) : QVariant();
}

QVariant asVariant(const std::optional<QStringView> &v)
{
    return v ? QVariant(v->toString()) : QVariant();
}
} // namespace

class tst_Fields : public QObject
{
    Q_OBJECT
private slots:
    void findFlags_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("position");

        // Worked examples: where the flag field stands on an ordinary line.
        QTest::newRow("talk: alice") << cr("1005 TALK alice 0010 \"hello there\"") << 17;
        QTest::newRow("emote: carol") << cr("1023 EMOTE carol 0000 \"waves\"") << 18;
        QTest::newRow("whisper: bob") << cr("1004 WHISPERbob 0010 \"see you\"") << 17;
        QTest::newRow("user: wanderer") << cr("1001 USER wanderer 0010 [CHAT]") << 20;
        QTest::newRow("leave: wanderer") << cr("1003 LEAVE wanderer 0010 [CHAT]") << 21;
        QTest::newRow("leave: flag ends the line") << cr("1003 LEAVE heron 0010") << 18;
        QTest::newRow("whisper from the gateway") << cr("1004 WHISPER heron 0010 \"see you\"") << 20;

        // Any four hexadecimal digits, as servers print flags, and
        // look-alikes that are not.
        QTest::newRow("value 0000") << cr("1001 USER x 0000") << 13;
        QTest::newRow("value 0002") << cr("1001 USER x 0002") << 13;
        QTest::newRow("value 0010") << cr("1001 USER x 0010") << 13;
        QTest::newRow("value 0012") << cr("1001 USER x 0012") << 13;
        QTest::newRow("operator and administrator 000a") << cr("1001 USER x 000a") << 13;
        QTest::newRow("squelched 0020") << cr("1001 USER x 0020") << 13;
        QTest::newRow("every bit FFFF") << cr("1001 USER x FFFF") << 13;
        QTest::newRow("not hexadecimal 00g0") << cr("1001 USER x 00g0") << 0;
        QTest::newRow("wide digits") << QStringLiteral("1001 USER x \uFF10\uFF10\uFF10\uFF18\r") << 0;
        QTest::newRow("three digits") << cr("1001 USER x 008") << 0;

        // Flag values inside names and texts are not the flag field.
        QTest::newRow("flag 0012, name x0010y") << cr("1005 TALK x0010y 0012 \"hi\"") << 18;
        QTest::newRow("flag 0010, text has 0000 as a word")
            << cr("1005 TALK alice 0010 \"got 0000 today\"") << 17;
        QTest::newRow("flag 0010, text has 0000 inside a number")
            << cr("1005 TALK heron 0010 \"scored 10000 points\"") << 17;
        QTest::newRow("flag 0000, text has 0010") << cr("1005 TALK alice 0000 \"got 0010\"") << 17;
        QTest::newRow("flag 0010, name bob0000") << cr("1001 USER bob0000 0010 [CHAT]") << 19;
        QTest::newRow("flag 0010, name x0000") << cr("1002 JOIN x0000 0010 [CHAT]") << 17;
        QTest::newRow("name 0000x") << cr("1002 JOIN 0000x 0010 [CHAT]") << 17;
        QTest::newRow("no flag word, values only inside words")
            << cr("1005 TALK bob0000 00x0 \"10010 x0012\"") << 0;
        QTest::newRow("value twice as words") << cr("1003 LEAVE dave 0002 0002") << 17;
        QTest::newRow("value twice, second in the text")
            << cr("1005 TALK alice 0010 \"see 0010 here\"") << 17;
        QTest::newRow("value twice, first in the name")
            << cr("1005 TALK bob0010 0010 \"x\"") << 19;

        // The word boundaries.
        QTest::newRow("at the end without CR") << QStringLiteral("1001 USER x 0010") << 13;
        QTest::newRow("followed by the CR") << QStringLiteral("1001 USER x 0010\r") << 13;
        QTest::newRow("followed by a tab") << QStringLiteral("1001 USER x 0010\t\r") << 0;
        QTest::newRow("followed by an LF") << QStringLiteral("1001 USER x 0010\n") << 0;
        QTest::newRow("followed by a quote") << cr("1005 TALK x \"0010\"") << 0;
        QTest::newRow("followed by a digit") << cr("1001 USER x 00100") << 0;
        QTest::newRow("after a tab") << cr("1001 USER x\t0010 ") << 0;
        QTest::newRow("at the very start") << cr("0010 x") << 0;
        QTest::newRow("word after a non-word") << cr("1001 USER x00100 0002") << 18;
        QTest::newRow("cut short") << QStringLiteral("1001 USER x 001") << 0;
        QTest::newRow("empty line") << QString() << 0;
        QTest::newRow("CR alone") << QStringLiteral("\r") << 0;
        QTest::newRow("blank and value only") << QStringLiteral(" 0002") << 2;
    }
    void findFlags()
    {
        QFETCH(QString, line);
        QFETCH(int, position);
        QCOMPARE(FindFlags(line), position);
    }

    void cutField_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("count");
        QTest::addColumn<QVariant>("field");
        // On the line "abcdef" (L = 6).
        QTest::newRow("inside") << 2 << 3 << some("bcd");
        QTest::newRow("whole") << 1 << 6 << some("abcdef");
        QTest::newRow("count runs past the end") << 4 << 10 << some("def");
        QTest::newRow("count zero") << 3 << 0 << some("");
        QTest::newRow("start just past the end") << 7 << 2 << some("");
        QTest::newRow("start far past the end") << 50 << 2 << some("");
        QTest::newRow("negative count") << 2 << -1 << skipped;
        QTest::newRow("start before the line") << 0 << 2 << skipped;
    }
    void cutField()
    {
        QFETCH(int, start);
        QFETCH(int, count);
        QFETCH(QVariant, field);
        QCOMPARE(asVariant(inbound::cutField(u"abcdef", start, count)), field);
    }

    void talkLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("shown");
        QTest::newRow("alice") << cr("1005 TALK alice 0010 \"hello there\"") << some("alice : hello there");
        QTest::newRow("inner quotes shown whole")
            << cr("1005 TALK alice 0010 \"say \"hi\"\"") << some("alice : say \"hi\"");
        QTest::newRow("empty text") << cr("1005 TALK alice 0010 \"\"") << some("alice : ");
        QTest::newRow("text has 0000 as a word")
            << cr("1005 TALK alice 0010 \"got 0000 today\"") << some("alice : got 0000 today");
        QTest::newRow("text has 10000")
            << cr("1005 TALK heron 0010 \"scored 10000 points\"") << some("heron : scored 10000 points");
        QTest::newRow("name x0010y, flag 0012") << cr("1005 TALK x0010y 0012 \"hi\"") << some("x0010y : hi");
        QTest::newRow("name bob0000") << cr("1005 TALK bob0000 0010 \"hi\"") << some("bob0000 : hi");
        QTest::newRow("from the gateway")
            << cr("1005 TALK heron 0010 \"hello there 10000 \"quoted\"\"")
            << some("heron : hello there 10000 \"quoted\"");
        QTest::newRow("name is a flag value") << cr("1005 TALK 0010 0000 \"hi\"") << some("0010 : hi");
        QTest::newRow("flag before the name (F < 11)") << cr("1005 0010 alice \"hi\"") << skipped;
        QTest::newRow("no flag field") << cr("1005 TALK alice 00x0 \"hi\"") << skipped;
        QTest::newRow("too short for the text") << cr("1005 TALK alice 0010 \"") << skipped;
        QTest::newRow("ends after the flag") << cr("1005 TALK alice 0010") << skipped;
        QTest::newRow("code alone") << cr("1005") << skipped;
    }
    void talkLine()
    {
        QFETCH(QString, line);
        QFETCH(QVariant, shown);
        QCOMPARE(asVariant(inbound::talkLine(line)), shown);
    }

    void whisperLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("shown");
        QTest::newRow("bob") << cr("1004 WHISPERbob 0010 \"see you\"") << some("bob : (whisper) see you");
        // The gateway puts a blank at 13, and the name field keeps it.
        QTest::newRow("from the gateway")
            << cr("1004 WHISPER heron 0010 \"see you\"") << some(" heron : (whisper) see you");
        QTest::newRow("inner quotes kept")
            << cr("1004 WHISPERbob 0010 \"say \"hi\" now\"") << some("bob : (whisper) say \"hi\" now");
        QTest::newRow("empty text") << cr("1004 WHISPERbob 0010 \"\"") << some("bob : (whisper) ");
        QTest::newRow("text has 0000 as a word")
            << cr("1004 WHISPERbob 0010 \"0000 left\"") << some("bob : (whisper) 0000 left");
        QTest::newRow("first quote in the name")
            << cr("1004 WHISPERb\"b 0010 \"hi\"") << some("b\"b : (whisper) b 0010 \"hi");
        QTest::newRow("name is a flag value")
            << cr("1004 WHISPER 0010 0000 \"hi\"") << some(" 0010 : (whisper) hi");
        QTest::newRow("flag before the name (F < 13)") << cr("1004 WHISP 0010 \"hi\"") << skipped;
        QTest::newRow("one quote") << cr("1004 WHISPERbob 0010 \"see you") << skipped;
        QTest::newRow("no quote") << cr("1004 WHISPERbob 0010 see you") << skipped;
        QTest::newRow("no flag field") << cr("1004 WHISPERbob 00x0 \"see you\"") << skipped;
    }
    void whisperLine()
    {
        QFETCH(QString, line);
        QFETCH(QVariant, shown);
        QCOMPARE(asVariant(inbound::whisperLine(line)), shown);
    }

    void infoLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("shown");
        QTest::newRow("welcome") << cr("1018 INFO \"Welcome aboard\"") << "Welcome aboard";
        QTest::newRow("empty quotes") << cr("1018 INFO \"\"") << "";
        QTest::newRow("inner quotes kept")
            << cr("1018 INFO \"heron is using Chat and is currently in channel \"Quillon Ops\".\"")
            << "heron is using Chat and is currently in channel \"Quillon Ops\".";
        QTest::newRow("not closed at the end: cut at the second") << cr("1018 INFO \"a \"b\" c") << "a ";
        QTest::newRow("one quote") << cr("1018 INFO \"open") << "";
        QTest::newRow("no quote") << cr("1018 INFO plain") << "";
        QTest::newRow("code alone") << cr("1018") << "";
        QTest::newRow("flag values do not matter") << cr("1018 0010 \"0000\"") << "0000";
    }
    void infoLine()
    {
        QFETCH(QString, line);
        QFETCH(QString, shown);
        QCOMPARE(inbound::infoLine(line), shown);
    }

    void emoteLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("shown");
        QTest::newRow("carol") << cr("1023 EMOTE carol 0000 \"waves\"") << some("carol  waves");
        QTest::newRow("from the gateway")
            << cr("1023 EMOTE heron 0010 \"waves 0000\"") << some("heron  waves 0000");
        QTest::newRow("inner quotes shown whole")
            << cr("1023 EMOTE carol 0010 \"says \"hi\"\"") << some("carol  says \"hi\"");
        QTest::newRow("empty text") << cr("1023 EMOTE carol 0010 \"\"") << some("carol  ");
        QTest::newRow("name is a flag value") << cr("1023 EMOTE 0002 0012 \"waves\"") << some("0002  waves");
        QTest::newRow("flag before the name (F < 12)") << cr("1023 EMOT 0010 \"waves\"") << skipped;
        QTest::newRow("no flag field") << cr("1023 EMOTE carol 00x0 \"waves\"") << skipped;
        QTest::newRow("too short for the text") << cr("1023 EMOTE carol 0010 ") << skipped;
    }
    void emoteLine()
    {
        QFETCH(QString, line);
        QFETCH(QVariant, shown);
        QCOMPARE(asVariant(inbound::emoteLine(line)), shown);
    }

    void userEntry_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("entry");
        QTest::newRow("wanderer") << cr("1001 USER wanderer 0010 [CHAT]") << some("wanderer ");
        QTest::newRow("nightowl joins") << cr("1002 JOIN nightowl 0010 [CHAT]") << some("nightowl ");
        QTest::newRow("heron joins") << cr("1002 JOIN heron 0010 [CHAT]") << some("heron ");
        QTest::newRow("name x0000") << cr("1002 JOIN x0000 0010 [CHAT]") << some("x0000 ");
        QTest::newRow("name bob0000") << cr("1001 USER bob0000 0010 [CHAT]") << some("bob0000 ");
        QTest::newRow("name x0010y, flag 0012") << cr("1002 JOIN x0010y 0012 [CHAT]") << some("x0010y ");
        QTest::newRow("blanks kept at both ends") << cr("1001 USER  x  0010") << some(" x  ");
        QTest::newRow("tab kept") << cr("1001 USER x\t 0010") << some("x\t ");
        QTest::newRow("name is a flag value") << cr("1002 JOIN 0000 0012 [CHAT]") << some("0000 ");
        QTest::newRow("name of hex digits, administrator") << cr("1001 USER cafe 0008 [CHAT]") << some("cafe ");
        QTest::newRow("flag value before position 11") << cr("1001 0010 wanderer 0010") << some("wanderer ");
        QTest::newRow("no flag field") << cr("1001 USER wanderer 00x0 [CHAT]") << skipped;
        QTest::newRow("code alone") << cr("1002") << skipped;
    }
    void userEntry()
    {
        QFETCH(QString, line);
        QFETCH(QVariant, entry);
        QCOMPARE(asVariant(inbound::userEntry(line)), entry);
    }

    void leaveName_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("name");
        QTest::newRow("wanderer") << cr("1003 LEAVE wanderer 0010 [CHAT]") << some("wanderer");
        QTest::newRow("from the gateway") << cr("1003 LEAVE heron 0010") << some("heron");
        QTest::newRow("name bob0000") << cr("1003 LEAVE bob0000 0010") << some("bob0000");
        QTest::newRow("tab not trimmed") << cr("1003 LEAVE \tx 0010") << some("\tx");
        QTest::newRow("blank-only field") << cr("1003 LEAVE    0010") << some("");
        QTest::newRow("name is a flag value") << cr("1003 LEAVE 0010 0000") << some("0010");
        QTest::newRow("flag value before position 11") << cr("1003 0010 heron 0010") << some("heron");
        QTest::newRow("no flag field") << cr("1003 LEAVE heron 00x0") << skipped;
    }
    void leaveName()
    {
        QFETCH(QString, line);
        QFETCH(QVariant, name);
        QCOMPARE(asVariant(inbound::leaveName(line)), name);
    }

    void channelName_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("name");
        QTest::newRow("Harbour Lights") << cr("1007 CHANNEL \"Harbour Lights\"") << some("Harbour Lights");
        QTest::newRow("from the gateway") << cr("1007 CHANNEL \"Chat\"") << some("Chat");
        QTest::newRow("markup kept as text") << cr("1007 CHANNEL \"<b>x</b>\"") << some("<b>x</b>");
        QTest::newRow("flag values do not matter") << cr("1007 CHANNEL \"0010 \"") << some("0010 ");
        QTest::newRow("16 characters: empty name") << cr("1007 CHANNEL \"\"") << some("");
        QTest::newRow("15 characters") << cr("1007 CHANNEL \"") << skipped;
        QTest::newRow("code alone") << cr("1007") << skipped;
    }
    void channelName()
    {
        QFETCH(QString, line);
        QFETCH(QVariant, name);
        QCOMPARE(asVariant(inbound::channelName(line)), name);
    }

    void trimBlanks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("both ends") << "  wanderer  " << "wanderer";
        QTest::newRow("inner blank kept") << " a b " << "a b";
        QTest::newRow("tab kept") << "\twanderer " << "\twanderer";
        QTest::newRow("no-break space kept") << QStringLiteral("x\u00a0") << QStringLiteral("x\u00a0");
        QTest::newRow("blanks only") << "   " << "";
        QTest::newRow("empty") << "" << "";
    }
    void trimBlanks()
    {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(inbound::trimBlanks(text).toString(), trimmed);
    }

    void bannerCaption_data()
    {
        QTest::addColumn<QString>("channel");
        QTest::addColumn<qsizetype>("count");
        QTest::addColumn<QString>("caption");
        QTest::newRow("new channel") << "Harbour Lights" << qsizetype(0) << "Harbour Lights  (0)";
        QTest::newRow("before any channel") << "" << qsizetype(2) << "  (2)";
        QTest::newRow("past 16 bits") << "Chat" << qsizetype(40000) << "Chat  (40000)";
    }
    void bannerCaption()
    {
        QFETCH(QString, channel);
        QFETCH(qsizetype, count);
        QFETCH(QString, caption);
        QCOMPARE(inbound::bannerCaption(channel, count), caption);
    }
    void safeFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("plain") << "Marrow Vale" << "Marrow Vale";
        QTest::newRow("any script") << QStringLiteral("Дмитрий Ω") << QStringLiteral("Дмитрий Ω");
        QTest::newRow("a path") << "../../etc/passwd" << "%2E.%2F..%2Fetc%2Fpasswd";
        QTest::newRow("dot and dot-dot") << ".." << "%2E.";
        QTest::newRow("the escape itself, so names stay apart") << "a%2F" << "a%252F";
        QTest::newRow("empty") << "" << "%";
        QTest::newRow("controls, emoji, a stray byte") << wire::fromWire("a\n\xF0\x9F\x92\xAF\xFC") << "a%0A%F0%9F%92%AF%FC";
        QTest::newRow("too long: cut, and the whole name's hash")
            << QString(300, u'x') << QString(159, u'x') + "~02fd68253071f895718c8d41f7ff665abe1a6290";
    }
    void safeFileName()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QCOMPARE(inbound::safeFileName(name), file);
    }

    void mentions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("named");
        QTest::newRow("8-bit text as it is shown")
            << wire::fromWire("hallo J\xFCrgen!") << QStringLiteral("J\u00FCrgen") << true;
        QTest::newRow("a letter beyond U+FFFF is part of the word")
            << QStringLiteral("\U0001D400kestrel") << QStringLiteral("kestrel") << false;
        QTest::newRow("an emoji is not") << QStringLiteral("\U0001F4AFkestrel\U0001F4AF") << QStringLiteral("kestrel") << true;
    }
    void mentions()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QFETCH(bool, named);
        QCOMPARE(inbound::mentions(text, name), named);
    }

    void shownText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("limit");
        QTest::addColumn<QString>("shown");
        QTest::newRow("plain") << "hello" << qsizetype(5) << "hello";
        QTest::newRow("controls one for one, tab kept")
            << QStringLiteral("a\nb\x1b\t\x7f") << qsizetype(10) << QStringLiteral("a\u240Ab\u241B\t\u2421");
        QTest::newRow("one past the limit ends in an ellipsis")
            << "abcdef" << qsizetype(5) << QStringLiteral("abcd\u2026");
        QTest::newRow("control inside the cut part")
            << QStringLiteral("ab\rcdef") << qsizetype(4) << QStringLiteral("ab\u240D\u2026");
        // U+1F4AF and U+1F4AA end in units that also stand for stray bytes.
        QTest::newRow("emoji whose second half looks like a stray byte, and a stray byte after one")
            << wire::fromWire("\xF0\x9F\x92\xAF \xF0\x9F\x92\xAA\xF0\x9F\xA6\x84\xFC") << qsizetype(10)
            << QStringLiteral("\U0001F4AF \U0001F4AA\U0001F984\u00FC");
        // A 1007 line laid out otherwise has its name cut after a first half.
        QTest::newRow("half a character, with a stray byte after it")
            << QString::fromUtf16(u"\xDD1E\xDCFF" u"a\xD834") << qsizetype(10) << QStringLiteral("\uFFFD\u00FFa\uFFFD");
        QTest::newRow("separators and frame markers start no line")
            << QStringLiteral("a\u2028b\u2029c\uFDD0d\uFDD1") << qsizetype(10) << QStringLiteral("a\u21B5b\u00B6c\uFFFDd\uFFFD");
        QTest::newRow("direction controls stay in their field")
            << QStringLiteral("\u202Eab\u2067c\u2069\u202A\u200F") << qsizetype(10)
            << QStringLiteral("\uFFFDab\uFFFDc\uFFFD\uFFFD\u200F");
    }
    void shownText()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, limit);
        QFETCH(QString, shown);
        QCOMPARE(inbound::shownText(text, limit), shown);
        QString out = QStringLiteral("kept");
        inbound::appendShown(out, text, limit);
        QCOMPARE(out, QStringLiteral("kept") + shown);
    }
};

QTEST_APPLESS_MAIN(tst_Fields)
#include "tst_fields.moc"
