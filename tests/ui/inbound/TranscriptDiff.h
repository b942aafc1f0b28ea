#pragma once

// Runs a TranscriptBox and a plain model of its transcript through the same
// steps, read from bytes, and tells where they first differ. Shared by the
// seeded test and the fuzz target.
#include "inbound/ShownText.h"
#include "inbound/TranscriptBox.h"
#include "protocol/WireText.h"

#include <QCoreApplication>
#include <QTest>
#include <QTextBlock>

namespace transcriptdiff {

// What a line is made of: bytes as they come on the wire, and what the
// transcript must show for them, written out by hand. Every piece starts a
// character of its own wherever it stands, so the shown line is the pieces'
// shown forms in a row.
struct Piece
{
    const char *wire;
    const char16_t *shown;
};
constexpr Piece Pieces[] = {
    {"a", u"a"}, {"b", u"b"}, {" ", u" "}, {"\t", u"\t"}, {"\n", u"\u240A"}, {"\x7f", u"\u2421"},
    {"\xC3\xA9", u"\u00E9"},              // é
    {"\xD0\x94", u"\u0414"},              // Д
    {"\xF0\x9F\x92\xAF", u"\U0001F4AF"}, // 💯, whose second half is in the stray-byte range
    {"\xF0\x9D\x84\x9E", u"\U0001D11E"}, // 𝄞
    {"\xFC", u"\u00FC"}, {"\xFF", u"\u00FF"}, {"\xC0", u"\u00C0"}, // stray bytes
    {"\xE2\x80\xA8", u"\u21B5"}, {"\xE2\x80\xA9", u"\u00B6"},     // line and paragraph separators
    {"\xEF\xB7\x90", u"\uFFFD"}, {"\xE2\x80\xAE", u"\uFFFD"},     // a frame marker, an override
};

// Every received line appended on its own, trimmed from the top.
struct Model
{
    QString text; // lines end in LF
    qsizetype lines = 0;
    qsizetype caret = 0;
    qsizetype anchor = 0;
    qsizetype maxLines = TranscriptBox::Scrollback;
    qsizetype maxChars = TranscriptBox::CharBudget;

    void trim(bool byChars)
    {
        while (lines > maxLines || (byChars && text.size() > maxChars)) {
            const qsizetype cut = text.indexOf(u'\n') + 1;
            text.remove(0, cut ? cut : text.size());
            caret = qMax<qsizetype>(0, caret - (cut ? cut : caret));
            anchor = qMax<qsizetype>(0, anchor - (cut ? cut : anchor));
            lines -= cut ? 1 : 0;
        }
    }
    void append(QString shown)
    {
        if (shown.size() > inbound::MaxLineShown) {
            shown.truncate(inbound::MaxLineShown - 1);
            if (shown.back().isHighSurrogate())
                shown.chop(1);
            shown += u'\u2026';
        }
        text += shown + u'\n';
        ++lines;
        trim(true);
        caret = anchor = text.size();
    }
    // The editor's own block limit is all that trims what the user types.
    void edit(qsizetype from, qsizetype to, const QString &with)
    {
        text.replace(from, to - from, with);
        caret = anchor = from + with.size();
        lines = text.count(u'\n');
        trim(false);
    }
};

class Run
{
public:
    Run(const uint8_t *data, size_t size) : m_data(data), m_size(size) {}

    // Empty when the box matched the model throughout.
    QString operator()()
    {
        m_box.resize(300, 200);
        while (m_at < m_size && m_failure.isEmpty())
            step(next());
        compare("at the end");
        return m_failure;
    }

private:
    uint8_t next() { return m_at < m_size ? m_data[m_at++] : 0; }

    // A line of about length characters: the first letters ASCII, as
    // chat mostly is, then from every piece in turn.
    void append(qsizetype length)
    {
        const QString number = QString::number(m_seq++) + u' ';
        QByteArray wire = number.toLatin1();
        QString shown = number;
        for (qsizetype k = 0; shown.size() < length; ++k) {
            const Piece &p = Pieces[m_seq % 3 ? (m_seq + k) % std::size(Pieces) : k % 2];
            wire += p.wire;
            shown += QStringView(p.shown);
        }
        if (length < number.size())
            wire.truncate(length), shown.truncate(length);
        m_box.appendLine(wire::fromWire(wire));
        m_model.append(shown);
    }

    void step(uint8_t op)
    {
        const uint8_t n = next();
        const int flood = TranscriptBox::FloodBatch;
        switch (op % 10) {
        case 0:
        case 1: {
            // Empty, short, at the shown-line cut, thousands of characters.
            const qsizetype lengths[] = {0, n % 20, inbound::MaxLineShown - 2 + n % 5, 1000 + 40 * n};
            append(lengths[n % 4]);
            break;
        }
        case 2:
            // Around FloodBatch lines, the oldest maybe empty, or around
            // FloodChars in few long lines.
            if (n & 4) {
                for (int i = 0, count = 2 * int(TranscriptBox::FloodChars) / 3000 + n % 5 - 2; i < count; ++i)
                    append(3000);
            } else {
                append((n & 1) ? 0 : 10);
                for (int i = 1, count = flood + n % 5 - 2; i < count; ++i)
                    append(10);
            }
            break;
        case 3: m_box.flush(); break;
        case 4:
        case 5:
            // A timer tick now and then, else an event-loop turn.
            if (op % 10 == 5 && n % 4 == 0)
                QTest::qWait(TranscriptBox::FlushEveryMs + 1);
            else
                QCoreApplication::processEvents();
            break;
        case 6: compare("on a read"); break;
        case 7: {
            // The user puts the caret somewhere, then maybe selects a little.
            compare("before the caret moves");
            Model &m = m_model;
            m.caret = m.text.size() * n / 255;
            m.anchor = qMin(m.caret + (n & 3), m.text.size());
            QTextCursor c(m_box.document());
            c.setPosition(int(m.anchor));
            c.setPosition(int(m.caret), QTextCursor::KeepAnchor);
            m_box.setTextCursor(c);
            break;
        }
        case 8: key(n); break;
        case 9:
            compare("before the limits change");
            m_model.maxChars = std::array<qsizetype, 4>{TranscriptBox::CharBudget, 3000, 20000, 150000}[n % 4];
            m_model.maxLines = std::array<qsizetype, 4>{TranscriptBox::Scrollback, 40, 300, 1000}[n / 4 % 4];
            m_box.setCharBudget(m_model.maxChars);
            m_box.setLineLimit(m_model.maxLines);
            m_model.trim(false);
            break;
        }
    }

    // A key where the user left the caret; any line appended since moved it
    // to the end and dropped the selection.
    void key(uint8_t n)
    {
        Model &m = m_model;
        const bool selected = m.caret != m.anchor;
        const qsizetype from = qMin(m.caret, m.anchor);
        const qsizetype to = qMax(m.caret, m.anchor);
        switch (n % 4) {
        case 0:
            QTest::keyClick(&m_box, Qt::Key_X);
            m.edit(from, to, QStringLiteral("x"));
            break;
        case 1:
            QTest::keyClick(&m_box, Qt::Key_Return);
            m.edit(from, to, QStringLiteral("\n"));
            break;
        case 2:
            QTest::keyClick(&m_box, Qt::Key_Backspace);
            // A key deletes a character: both halves of a pair.
            m.edit(selected ? from : qMax<qsizetype>(0, from - (wire::startsPair(m.text, from - 2) ? 2 : 1)), to, QString());
            break;
        default:
            QTest::keyClick(&m_box, Qt::Key_Delete);
            m.edit(from, selected ? to : qMin(to + (wire::startsPair(m.text, to) ? 2 : 1), m.text.size()), QString());
            break;
        }
    }

    void compare(const char *when)
    {
        if (!m_failure.isEmpty())
            return;
        QString expected = m_model.text;
        const qsizetype caret = m_model.caret + QStringView(expected).first(m_model.caret).count(u'\n');
        expected.replace(u'\n', QStringLiteral("\r\n"));
        const QString text = m_box.text();
        if (text != expected) {
            qsizetype i = 0;
            while (i < text.size() && i < expected.size() && text[i] == expected[i])
                ++i;
            m_failure = QStringLiteral("text differs %1 at %2 of %3/%4: got \"%5\", want \"%6\"")
                            .arg(QLatin1StringView(when)).arg(i).arg(text.size()).arg(expected.size())
                            .arg(text.mid(i, 40).toUtf8().toPercentEncoding(" "), expected.mid(i, 40).toUtf8().toPercentEncoding(" "));
        } else if (m_box.lineCount() != m_model.lines) {
            m_failure = QStringLiteral("%1 lines, want %2").arg(m_box.lineCount()).arg(m_model.lines);
        } else if (m_box.selStart() != caret) {
            m_failure = QStringLiteral("caret %1, want %2").arg(m_box.selStart()).arg(caret);
        }
    }

    const uint8_t *m_data;
    size_t m_size;
    size_t m_at = 0;
    qsizetype m_seq = 0;
    TranscriptBox m_box;
    Model m_model;
    QString m_failure;
};

} // namespace transcriptdiff
