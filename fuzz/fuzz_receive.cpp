// The whole receive path into a real main window. After every arrival: the
// transcript's earlier text is unchanged, the caret is at its end, no shown
// line is longer than the transcript shows, each shown line is one line of
// the transcript, nothing shown is half a character, the banner's count
// matches the list, and nothing held grows without bound.
#include "app/frmBot.h"
#include "inbound/Fields.h"
#include "inbound/LineCutter.h"
#include "inbound/Receiver.h"
#include "inbound/ShownText.h"
#include "inbound/TranscriptBox.h"
#include "protocol/MessageCodes.h"

#include <QApplication>
#include <QRegularExpression>

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <memory>

namespace {
QApplication *app = nullptr;

void check(bool ok, const char *what)
{
    if (!ok) {
        fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

// Frequent shapes, so the fuzzer starts from lines the handlers accept.
// %f is a flag word: four hexadecimal digits in either case, as servers
// print them, or now and then four bytes that are not.
const char *const Templates[] = {
    "1001 USER %s %f [CHAT]\r\n", "1002 JOIN %s %f [CHAT]\r\n", "1003 LEAVE %s %f\r\n",
    "1004 WHISPER %s %f \"%s\"\r\n", "1005 TALK %s %f \"%s\"\r\n", "1007 CHANNEL \"%s\"\r\n",
    "1018 INFO \"%s\"\r\n", "1023 EMOTE %s %f \"%s\"\r\n", "1006 _ \"%s\"\r\n",
    "1009 USER %s %f\r\n", "1010 WHISPER %s %f \"%s\"\r\n", "1014 CHANNELDOESNOTEXIST \"%s\"\r\n",
    "2010 NAME %s\r\n", "10%f %s\r\n", "%s",
};

QByteArray flagWord(FuzzedDataProvider &fdp)
{
    static const char Hex[] = "0123456789abcdefABCDEF";
    QByteArray word(4, '0');
    const bool any = fdp.ConsumeIntegralInRange<int>(0, 15) == 0;
    for (char &c : word)
        c = any ? char(fdp.ConsumeIntegral<unsigned char>()) : Hex[fdp.ConsumeIntegralInRange<int>(0, 21)];
    return word;
}

// What real channels carry beyond ASCII, which random bytes seldom make:
// multi-byte UTF-8, characters beyond U+FFFF (the first ends where stray
// bytes lie), stray bytes, and what a text view takes for a line end or a
// change of direction.
const char *const Wide[] = {
    "\xC3\xA9", "\xD0\x94", "\xF0\x9F\x92\xAF", "\xF0\x9D\x84\x9E", "\xFC", "\xFF",
    "\xE2\x80\xA8", "\xE2\x80\xA9", "\xEF\xB7\x90", "\xEF\xB7\x91", "\xE2\x80\xAE", "\xE2\x81\xA6",
};

// Now and then a long run of one byte, so names and texts near the cutter's
// limit come up without libFuzzer having to grow tens of kilobytes of input.
QByteArray field(FuzzedDataProvider &fdp, size_t maxLength)
{
    const int kind = fdp.ConsumeIntegralInRange<int>(0, 31);
    if (kind == 0) {
        const auto length = fdp.ConsumeIntegralInRange<int>(1, 70000);
        return QByteArray(length, char(fdp.ConsumeIntegral<unsigned char>()));
    }
    if (kind < 8) {
        QByteArray wide;
        for (auto n = fdp.ConsumeIntegralInRange<size_t>(1, maxLength / 4); n > 0; --n)
            wide += fdp.ConsumeBool() ? "x" : Wide[fdp.ConsumeIntegralInRange<size_t>(0, std::size(Wide) - 1)];
        return wide;
    }
    return QByteArray::fromStdString(fdp.ConsumeRandomLengthString(maxLength));
}

// How many transcript lines the line makes: no character in it may add one.
int transcriptLines(QStringView line)
{
    using wire::Inbound;
    switch (wire::classify(line)) {
    case Inbound::Talk: return inbound::talkLine(line) ? 1 : 0;
    case Inbound::Whisper: return inbound::whisperLine(line) ? 1 : 0;
    case Inbound::Emote: return inbound::emoteLine(line) ? 1 : 0;
    case Inbound::WhisperSent: return inbound::whisperSent(line) ? 1 : 0;
    case Inbound::Info:
    case Inbound::Error:
    case Inbound::Broadcast:
    case Inbound::ChannelFull:
    case Inbound::ChannelMissing:
    case Inbound::ChannelRestricted:
    case Inbound::Unknown: return 1;
    default: return 0;
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider fdp(data, size);
    auto w = std::make_unique<frmBot>(QStringLiteral("127.0.0.1"), 1);
    qsizetype lines = 0; // at most 512 of at most 4,097 characters: nothing is trimmed
    QObject::connect(w.get(), &frmBot::lineCut, [&lines](QStringView line) { lines += transcriptLines(line); });
    int arrivals = 0;
    while (fdp.remaining_bytes() > 0 && arrivals++ < 64) {
        QByteArray chunk;
        const int pieces = fdp.ConsumeIntegralInRange<int>(1, 8);
        for (int i = 0; i < pieces; ++i) {
            const auto t = fdp.ConsumeIntegralInRange<size_t>(0, std::size(Templates) - 1);
            QByteArray a = field(fdp, 40);
            QByteArray b = field(fdp, 80);
            QByteArray line(Templates[t]);
            if (const auto at = line.indexOf("%f"); at >= 0)
                line.replace(at, 2, flagWord(fdp));
            line.replace(line.indexOf("%s"), 2, a);
            if (line.contains("%s"))
                line.replace(line.indexOf("%s"), 2, b);
            chunk += line;
        }
        // Cut the arrival at an arbitrary point; the rest comes next time.
        const auto cut = fdp.ConsumeIntegralInRange<qsizetype>(0, chunk.size());
        for (const QByteArray &part : {chunk.left(cut), chunk.mid(cut)}) {
            const QString before = w->Text2->text();
            w->receiver().feed(part);
            for (int spin = 0; w->receiver().busy() && spin < 100000; ++spin)
                w->receiver().run();
            check(!w->receiver().busy(), "receiver drained");
            check(w->Text2->text().startsWith(before), "earlier transcript unchanged");
        }

        const QString after = w->Text2->text();
        check(w->Text2->selStart() == w->Text2->textLength(), "caret at the end");
        for (QStringView line : QStringView(after).tokenize(u"\r\n"))
            check(line.size() <= inbound::MaxLineShown, "shown lines stay short");
        check(w->Text2->textLength() == after.size(), "length counts CR LF as two");
        check(after.isValidUtf16() && w->Channel->text().isValidUtf16(), "no half character shown");
        check(w->Text2->lineCount() == lines, "one transcript line per line shown");
        const QString banner = w->Channel->text();
        if (banner != u"Marrow Vale") {
            static const QRegularExpression count(QStringLiteral("  \\((\\d+)\\)$"));
            const auto m = count.match(banner);
            check(m.hasMatch(), "banner ends in the count");
            check(m.captured(1).toInt() == w->Roomlist->count(), "banner count matches the list");
        }
    }
    return 0;
}
