// The whole receive path into a real main window. After every arrival: the
// transcript's earlier text is unchanged, the caret is at its end, no shown
// line is longer than the transcript shows, the banner's count matches the
// list, and nothing held grows without bound.
#include "app/frmBot.h"
#include "inbound/LineCutter.h"
#include "inbound/Receiver.h"
#include "inbound/ShownText.h"
#include "inbound/TranscriptBox.h"

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
const char *const Templates[] = {
    "1001 USER %s 0010 [CHAT]\r\n", "1002 JOIN %s 0000 [CHAT]\r\n", "1003 LEAVE %s 0010\r\n",
    "1004 WHISPER %s 0010 \"%s\"\r\n", "1005 TALK %s 0012 \"%s\"\r\n", "1007 CHANNEL \"%s\"\r\n",
    "1018 INFO \"%s\"\r\n", "1023 EMOTE %s 0002 \"%s\"\r\n", "%s",
};

// Now and then a long run of one byte, so names and texts near the cutter's
// limit come up without libFuzzer having to grow tens of kilobytes of input.
QByteArray field(FuzzedDataProvider &fdp, size_t maxLength)
{
    if (fdp.ConsumeIntegralInRange<int>(0, 31) == 0) {
        const auto length = fdp.ConsumeIntegralInRange<int>(1, 70000);
        return QByteArray(length, char(fdp.ConsumeIntegral<unsigned char>()));
    }
    return QByteArray::fromStdString(fdp.ConsumeRandomLengthString(maxLength));
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
    int arrivals = 0;
    while (fdp.remaining_bytes() > 0 && arrivals++ < 64) {
        QByteArray chunk;
        const int pieces = fdp.ConsumeIntegralInRange<int>(1, 8);
        for (int i = 0; i < pieces; ++i) {
            const auto t = fdp.ConsumeIntegralInRange<size_t>(0, std::size(Templates) - 1);
            QByteArray a = field(fdp, 40);
            QByteArray b = field(fdp, 80);
            QByteArray line(Templates[t]);
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
