#include "protocol/WireText.h"

#include <array>
#include <cstring>

namespace wire {

namespace {

// What a byte can begin: the length of its sequence (0: none, it is a stray
// byte where it stands) and the range the second byte must lie in. The
// ranges leave out overlong forms, the surrogates (ED A0 to ED BF) and
// everything beyond U+10FFFF, so each character has exactly one reading and
// one writing; the third and fourth bytes are always 80 to BF.
struct Lead
{
    quint8 length = 0;
    quint8 low = 0x80;
    quint8 high = 0xBF;
};

constexpr std::array<Lead, 256> makeLeads()
{
    std::array<Lead, 256> t{};
    for (int b = 0; b < 0x80; ++b)
        t[b].length = 1;
    for (int b = 0xC2; b <= 0xDF; ++b)
        t[b].length = 2;
    for (int b = 0xE0; b <= 0xEF; ++b)
        t[b].length = 3;
    t[0xE0].low = 0xA0;
    t[0xED].high = 0x9F;
    for (int b = 0xF0; b <= 0xF4; ++b)
        t[b].length = 4;
    t[0xF0].low = 0x90;
    t[0xF4].high = 0x8F;
    return t;
}

constexpr std::array<Lead, 256> Leads = makeLeads();

constexpr bool isContinuation(uchar b)
{
    return (b & 0xC0) == 0x80;
}

// Bytes below 80 from p on, eight at a time: chat is mostly ASCII, and the
// flood of a busy channel is nearly all of it.
qsizetype asciiRun(const uchar *p, qsizetype n)
{
    qsizetype i = 0;
    for (; i + 8 <= n; i += 8) {
        quint64 w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ull)
            break;
    }
    while (i < n && p[i] < 0x80)
        ++i;
    return i;
}

// The encoder's table: the largest code point each length holds, and the
// marker bits of its first byte.
struct Width
{
    char32_t limit;
    uchar marker;
};
constexpr std::array<Width, 4> Widths{{{0x7F, 0x00}, {0x7FF, 0xC0}, {0xFFFF, 0xE0}, {0x10FFFF, 0xF0}}};

void put(QByteArray &out, char32_t cp)
{
    int len = 0;
    while (cp > Widths[len].limit)
        ++len;
    char bytes[4];
    for (int k = len; k > 0; --k) {
        bytes[k] = char(0x80 | (cp & 0x3F));
        cp >>= 6;
    }
    bytes[0] = char(Widths[len].marker | cp);
    out.append(bytes, len + 1);
}

} // namespace

void fromWireInto(QByteArrayView bytes, QString &out)
{
    const auto *s = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype n = bytes.size();
    // Never more UTF-16 units than bytes: one to four bytes give one unit,
    // four give two.
    out.resize(n);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    qsizetype i = 0, o = 0;
    while (i < n) {
        const qsizetype run = asciiRun(s + i, n - i);
        for (qsizetype k = 0; k < run; ++k)
            d[o + k] = s[i + k];
        i += run;
        o += run;
        if (i >= n)
            break;
        const Lead lead = Leads[s[i]];
        const qsizetype len = lead.length;
        bool valid = len >= 2 && i + len <= n && s[i + 1] >= lead.low && s[i + 1] <= lead.high;
        for (qsizetype k = 2; valid && k < len; ++k)
            valid = isContinuation(s[i + k]);
        if (!valid) {
            d[o++] = char16_t(StrayByteBase + s[i++]);
            continue;
        }
        char32_t cp = s[i] & (0x7F >> len);
        for (qsizetype k = 1; k < len; ++k)
            cp = (cp << 6) | (s[i + k] & 0x3F);
        i += len;
        if (cp > 0xFFFF) {
            d[o++] = char16_t(0xD7C0 + (cp >> 10));
            d[o++] = char16_t(0xDC00 | (cp & 0x3FF));
        } else {
            d[o++] = char16_t(cp);
        }
    }
    out.truncate(o);
}

QString fromWire(QByteArrayView bytes)
{
    QString out;
    fromWireInto(bytes, out);
    return out;
}

QByteArray toWire(QStringView text)
{
    QByteArray out;
    out.reserve(text.size());
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            out.append(char(c));
        } else if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
            put(out, QChar::surrogateToUcs4(c, p[i + 1]));
            ++i;
        } else if (isStrayByteAt(text, i)) {
            out.append(char(strayByte(c)));
        } else if (QChar::isSurrogate(c)) {
            put(out, 0xFFFD);
        } else {
            put(out, c);
        }
    }
    return out;
}

} // namespace wire
