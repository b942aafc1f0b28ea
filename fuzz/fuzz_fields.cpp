// Flag search and field extraction on arbitrary lines: no crash, every field
// is a piece of the line at the place the layout gives, and the locator
// agrees with a plain scan.
#include "inbound/Fields.h"
#include "inbound/FindFlags.h"
#include "inbound/ShownText.h"
#include "protocol/WireText.h"

#include <cstdlib>

using namespace inbound;

namespace {
// With nameStart as FindFlags takes it, the blank before the field stands at
// nameStart or later: the field starts at the name's second character at the
// earliest.
int slowFindFlags(QStringView line, qsizetype nameStart = 1)
{
    for (qsizetype i = qMax<qsizetype>(nameStart - 1, 0); i + 5 <= line.size(); ++i) {
        const QStringView w = line.sliced(i + 1, 4);
        bool value = true;
        for (const QChar c : w)
            value = value && QStringLiteral("0123456789abcdefABCDEF").contains(c);
        const bool ends = i + 5 == line.size() || line[i + 5] == u' ' || line[i + 5] == u'\r';
        if (line[i] == u' ' && value && ends)
            return int(i + 2);
    }
    return 0;
}

// What shown text may not hold, written out plainly: controls but the tab,
// the separators, the frame markers, the direction controls, and a surrogate
// that is not half of a pair (a stray byte, or half of a character cut off).
bool isHidden(QStringView s, qsizetype i)
{
    const char16_t c = s[i].unicode();
    if ((c < 0x20 && c != u'\t') || c == 0x7f || c == 0x2028 || c == 0x2029 || c == 0xfdd0 || c == 0xfdd1
        || (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069))
        return true;
    if (QChar::isHighSurrogate(c))
        return !(i + 1 < s.size() && s[i + 1].isLowSurrogate());
    return QChar::isLowSurrogate(c) && !(i > 0 && s[i - 1].isHighSurrogate());
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 100000)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString raw = wire::fromWire(bytes);
    // Whatever the bytes, read and written back they are the same bytes: a
    // name taken from a line goes back to the service exactly as it came.
    check(wire::toWire(raw) == bytes);
    // Lines reach the handlers ending in CR; try both that and the raw text.
    for (const QString &line : {raw, raw + u'\r'}) {
        const int f = FindFlags(line);
        check(f == slowFindFlags(line));
        for (const qsizetype nameStart : {11, 12, 14, 40000})
            check(FindFlags(line, nameStart) == slowFindFlags(line, nameStart));
        if (f) {
            check(f >= 2 && f + 3 <= line.size());
            check(line[f - 2] == u' ');
            check(flagsAt(line, f).has_value());
        }
        if (const auto m = member(line))
            check(*flagsAt(line, slowFindFlags(line, 11)) == m->flags);
        // The flag field never starts where the name does.
        if (const auto t = talkLine(line)) {
            const int ft = slowFindFlags(line, 11);
            check(ft > 11);
            check(t->startsWith(line.mid(10, ft - 11) + QStringLiteral(": ")));
        }
        if (const auto e = emoteLine(line)) {
            const int fe = slowFindFlags(line, 12);
            check(fe > 12 && e->startsWith(line.mid(11, fe - 12)));
        }
        if (const auto w = whisperLine(line))
            check(slowFindFlags(line, 14) > 14 && w->contains(u": (whisper) "));
        const QString info = infoLine(line);
        check(info.isEmpty() || line.contains(QLatin1Char('"') + info + QLatin1Char('"')));
        if (const auto entry = userEntry(line)) {
            const int fu = slowFindFlags(line, 11);
            check(fu > 11 && *entry == line.mid(10, fu - 11));
        }
        if (const auto name = leaveName(line)) {
            check(slowFindFlags(line, 12) > 12);
            check(!name->startsWith(u' ') && !name->endsWith(u' '));
        }
        if (const auto ch = channelName(line))
            check(line.size() >= 16 && ch->size() == line.size() - 16);
        // Shown text is one line, never longer than its limit, and keeps
        // every character it does not have to hide.
        // A cut that would halve a surrogate pair keeps one character less.
        const QString shown = shownText(line, MaxNameShown);
        const bool cut = line.size() > MaxNameShown;
        check(shown.size() == qMin(line.size(), MaxNameShown)
              || (cut && shown.size() == MaxNameShown - 1 && line[MaxNameShown - 2].isHighSurrogate()));
        for (qsizetype i = 0; i < shown.size(); ++i) {
            const bool cutHere = cut && i == shown.size() - 1;
            check(cutHere || shown[i] == line[i] || isHidden(line, i));
            check(!isHidden(shown, i));
        }
        const qsizetype kept = shown.size() - 1;
        check(!cut || kept < 1 || !shown[kept - 1].isHighSurrogate() || !line[kept].isLowSurrogate());
    }
    return 0;
}
