#include "inbound/TranscriptBox.h"

#include "inbound/ShownText.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// A put-back step aims at this much work, well inside a frame.
constexpr qint64 PutBackSliceNs = 5'000'000;
constexpr qsizetype PutBackLeast = 16 * 1024; // characters a step
constexpr qsizetype PutBackMost = 4 * 1024 * 1024;

// Index just after the `count`-th line feed from `from`.
qsizetype afterLines(const QString &text, qsizetype from, qsizetype count)
{
    for (; count > 0; --count)
        from = text.indexOf(u'\n', from) + 1;
    return from;
}
} // namespace

TranscriptBox::TranscriptBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    // Server text is never rich text, and an undo history would keep every
    // line ever received.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // flush() makes room before it inserts, so this limit only ever acts on
    // what the user pastes: it walks block by block and lays out every line
    // it drops, far too slow for a flood.
    doc()->setMaximumBlockCount(Scrollback + 1);
    m_putBack.setSingleShot(true);
    connect(&m_putBack, &QTimer::timeout, this, &TranscriptBox::putBackStep);
    m_flushDue.setSingleShot(true);
    connect(&m_flushDue, &QTimer::timeout, this, &TranscriptBox::flush);
}

void TranscriptBox::appendLine(QStringView line)
{
    inbound::appendShown(m_pending, line, inbound::MaxLineShown);
    m_pending.append(u'\n');
    ++m_pendingLines;
    // Between two flushes the queue could outgrow the transcript itself.
    if (m_pending.size() > 2 * m_charBudget)
        keepNewestPending(m_charBudget);
    // Each flush costs a repaint: under a flood, one a frame is enough.
    if (!m_flushDue.isActive()) {
        const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : FlushEveryMs;
        m_flushDue.start(int(qMax<qint64>(0, FlushEveryMs - since)));
    }
}

void TranscriptBox::flush()
{
    m_flushDue.stop();
    if (m_pending.isEmpty())
        return;
    m_sinceFlush.start();
    // Lines that could not stay in the transcript are never put in.
    if (m_pending.size() > m_charBudget)
        keepNewestPending(m_charBudget);
    if (m_pendingLines >= FloodBatch || m_pending.size() > 2 * FloodChars)
        floodFlush();
    else
        plainFlush();
    const qsizetype used = m_pending.size();
    m_pending = QString(); // held pieces may share it
    m_pending.reserve(qMin(used, ReserveMost));
    m_pendingLines = 0;
    if (m_heldLines == 0)
        m_gap = QTextCursor();
    else if (!m_putBack.isActive())
        m_putBack.start(0);
    moveCaretToEnd();
}

void TranscriptBox::keepNewestPending(qsizetype chars)
{
    // Whole lines only: from the first line start that leaves at most chars.
    qsizetype cut = m_pending.size() - chars;
    if (cut > 0 && m_pending.at(cut - 1) != u'\n')
        cut = m_pending.indexOf(u'\n', cut) + 1;
    if (cut <= 0)
        return;
    m_pendingLines -= QStringView(m_pending).first(cut).count(u'\n');
    m_pending.remove(0, cut);
}

int TranscriptBox::documentLines() const
{
    // The block after the last line end is empty and not a line.
    return doc()->blockCount() - 1;
}

qsizetype TranscriptBox::documentChars() const
{
    return doc()->characterCount() - 1;
}

int TranscriptBox::linesAboveGap() const
{
    return m_heldLines ? m_gap.blockNumber() : documentLines();
}

void TranscriptBox::plainFlush()
{
    trim(m_pendingLines, m_pending.size());
    const int gap = m_heldLines ? m_gap.position() : -1;
    insertAtEnd(m_pending);
    if (gap < 0)
        return;
    // Appending where the gap was must not carry the gap along.
    m_gap.setPosition(gap);
    // A trickle after a flood must not pile up below the gap: the next
    // burst would have to hold all of it back at once.
    const int below = documentLines() - linesAboveGap();
    if (below > 2 * FloodBatch)
        holdAfterGap(below - FloodBatch);
}

void TranscriptBox::floodFlush()
{
    QTextDocument *d = doc();
    // What is shown after the gap is older than the whole batch: it is held
    // back too, so the held lines stay one run.
    if (m_heldLines == 0) {
        m_gap = QTextCursor(d);
        m_gap.setPosition(d->characterCount() - 1);
    } else {
        holdAfterGap(documentLines() - linesAboveGap());
    }
    // The batch's newest lines, at most FloodBatch of them and FloodChars
    // characters (but one line at least), start after the line feed that
    // ends the rest.
    qsizetype cut = m_pending.size() - 1;
    qsizetype kept = 0;
    while (kept < FloodBatch && cut >= 0) {
        const qsizetype before = m_pending.lastIndexOf(u'\n', cut - 1);
        if (kept > 0 && m_pending.size() - (before + 1) > FloodChars)
            break;
        cut = before;
        ++kept;
    }
    ++cut;
    hold(m_pending, 0, cut, m_pendingLines - kept);
    trim(kept, m_pending.size() - cut);
    const int gap = m_gap.position();
    insertAtEnd(m_pending.sliced(cut));
    m_gap.setPosition(gap);
    m_putBack.start(0);
}

void TranscriptBox::insertAtEnd(const QString &lines)
{
    QTextDocument *d = doc();
    QTextCursor end(d);
    // Inside an edit block the cursor skips laying out where it lands.
    end.beginEditBlock();
    end.setPosition(d->characterCount() - 1);
    end.insertText(lines);
    end.endEditBlock();
}

void TranscriptBox::trim(qsizetype incomingLines, qsizetype incomingChars)
{
    qsizetype lines = documentLines() + m_heldLines + incomingLines - Scrollback;
    qsizetype chars = documentChars() + m_heldChars + incomingChars - m_charBudget;
    if (lines <= 0 && chars <= 0)
        return;
    // Oldest first: the lines above the gap, the held ones, the newest.
    const int above = topLinesCovering(lines, chars, linesAboveGap());
    chars -= removeTopLines(above);
    lines -= above;
    if ((lines > 0 || chars > 0) && m_heldLines) {
        const auto [n, c] = dropHeld(lines, chars);
        lines -= n;
        chars -= c;
    }
    if (lines > 0 || chars > 0)
        removeTopLines(topLinesCovering(lines, chars, documentLines()));
}

int TranscriptBox::topLinesCovering(qsizetype lines, qsizetype chars, int most) const
{
    qsizetype n = qMax<qsizetype>(0, lines);
    if (chars > 0) {
        const QTextBlock b = doc()->findBlock(int(qMin<qsizetype>(chars, documentChars()) - 1));
        n = qMax<qsizetype>(n, b.isValid() ? b.blockNumber() + 1 : most);
    }
    return int(qMin<qsizetype>(n, most));
}

qsizetype TranscriptBox::removeTopLines(int count)
{
    if (count <= 0)
        return 0;
    QTextDocument *d = doc();
    const qsizetype before = d->characterCount();
    QTextCursor top(d);
    top.beginEditBlock();
    top.setPosition(d->findBlockByNumber(count).position(), QTextCursor::KeepAnchor);
    top.removeSelectedText();
    top.endEditBlock();
    return before - d->characterCount();
}

void TranscriptBox::holdAfterGap(int count)
{
    if (count <= 0)
        return;
    // The gap is at the start of a line, unless the user typed at the end.
    QTextBlock block = m_gap.block();
    qsizetype from = m_gap.positionInBlock();
    QString text;
    for (int i = 0; i < count && block.isValid(); ++i, block = block.next()) {
        text += QStringView(block.text()).sliced(from);
        text += u'\n';
        from = 0;
    }
    QTextCursor c(doc());
    c.beginEditBlock();
    c.setPosition(m_gap.position());
    c.setPosition(block.position(), QTextCursor::KeepAnchor);
    c.removeSelectedText();
    c.endEditBlock();
    hold(text, 0, text.size(), count);
}

void TranscriptBox::hold(const QString &text, qsizetype begin, qsizetype end, qsizetype lines)
{
    if (lines <= 0)
        return;
    m_held.push_back({text, begin, end, lines});
    m_heldLines += lines;
    m_heldChars += end - begin;
}

std::pair<qsizetype, qsizetype> TranscriptBox::dropHeld(qsizetype lines, qsizetype chars)
{
    qsizetype droppedLines = 0;
    qsizetype droppedChars = 0;
    while ((lines > droppedLines || chars > droppedChars) && !m_held.empty()) {
        Held &front = m_held.front();
        const qsizetype wantLines = lines - droppedLines;
        const qsizetype wantChars = chars - droppedChars;
        qsizetype n = front.lines;
        qsizetype to = front.end;
        if (wantLines < front.lines && wantChars < front.end - front.begin) {
            // Whole lines: enough of them for both counts.
            n = qMax<qsizetype>(wantLines, 0);
            to = afterLines(front.text, front.begin, n);
            if (wantChars > 0 && to - front.begin < wantChars) {
                to = front.text.indexOf(u'\n', front.begin + wantChars - 1) + 1;
                n = QStringView(front.text).sliced(front.begin, to - front.begin).count(u'\n');
            }
        }
        droppedLines += n;
        droppedChars += to - front.begin;
        m_heldLines -= n;
        m_heldChars -= to - front.begin;
        if (n == front.lines) {
            m_held.pop_front();
        } else {
            front.begin = to;
            front.lines -= n;
        }
    }
    return {droppedLines, droppedChars};
}

qsizetype TranscriptBox::heldLinesWithin(qsizetype chars) const
{
    qsizetype lines = 0;
    for (const Held &piece : m_held) {
        const qsizetype size = piece.end - piece.begin;
        if (size > chars) {
            lines += QStringView(piece.text).sliced(piece.begin, chars).count(u'\n');
            break;
        }
        lines += piece.lines;
        chars -= size;
    }
    return qMax<qsizetype>(lines, 1);
}

QString TranscriptBox::takeHeld(qsizetype lines)
{
    QString out;
    while (lines > 0 && !m_held.empty()) {
        const Held &front = m_held.front();
        const qsizetype n = qMin(lines, front.lines);
        const qsizetype to = n == front.lines ? front.end : afterLines(front.text, front.begin, n);
        out += QStringView(front.text).sliced(front.begin, to - front.begin);
        dropHeld(n, 0);
        lines -= n;
    }
    return out;
}

void TranscriptBox::putBack(qsizetype lines)
{
    if (m_heldLines == 0)
        return;
    // What the user is looking at stays in view: the newest line if the
    // caret there is shown, else the lines on screen.
    const QTextCursor caret = textCursor();
    const bool followEnd = caret.atEnd() && viewport()->rect().intersects(cursorRect());
    const bool viewBelowGap = firstVisibleBlock().blockNumber() >= linesAboveGap();
    QScrollBar *bar = verticalScrollBar();
    const int value = bar->value();
    const qsizetype count = qMin(lines, m_heldLines);
    const QString text = takeHeld(count);
    m_gap.beginEditBlock();
    m_gap.insertText(text); // the gap moves along, ahead of the newest lines
    m_gap.endEditBlock();
    if (m_heldLines == 0)
        m_gap = QTextCursor();
    // Scrolling by the lines put in keeps the same lines on screen: each new
    // line is one step until it is laid out.
    if (followEnd || viewBelowGap)
        scrollQuietly(value + int(count));
    if (followEnd)
        ensureCursorVisible();
}

void TranscriptBox::scrollQuietly(int value)
{
    // With the viewport not painting, the box moves its top line without
    // working out how far the content moved in pixels, which lays out every
    // line in between.
    viewport()->setUpdatesEnabled(false);
    verticalScrollBar()->setValue(value);
    viewport()->setUpdatesEnabled(true);
}

void TranscriptBox::putBackStep()
{
    // Not while lines keep coming: it would only slow the flood down, and
    // what goes back now may be trimmed by the very next batch. The flush
    // after them starts the next step; a frame without one ends the flood.
    if (m_heldLines == 0 || m_pendingLines > 0)
        return;
    const qint64 quiet = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : FlushEveryMs;
    if (quiet < FlushEveryMs) {
        m_putBack.start(int(FlushEveryMs - quiet));
        return;
    }
    // A step is sized in characters, since long lines cost more than short
    // ones, and by what the last step took.
    const qsizetype lines = heldLinesWithin(m_putBackChars);
    const qsizetype chars = m_heldChars;
    QElapsedTimer spent;
    spent.start();
    putBack(lines);
    const qint64 ns = qMax<qint64>(spent.nsecsElapsed(), 1);
    const qsizetype done = chars - m_heldChars;
    m_putBackChars = qBound(PutBackLeast, qsizetype(double(done) * PutBackSliceNs / ns), PutBackMost);
    if (m_heldLines)
        m_putBack.start(0);
}

void TranscriptBox::settle()
{
    flush();
    m_putBack.stop();
    putBack(m_heldLines);
}

QString TranscriptBox::text()
{
    settle();
    // The raw text: the plain-text export would turn a no-break space (a
    // byte the service may well send) into a blank.
    QString t = doc()->toRawText();
    t.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return t;
}

qsizetype TranscriptBox::textLength()
{
    settle();
    const QTextDocument *d = doc();
    // characterCount() counts one separator per block, the last one included.
    return d->characterCount() - 1 + d->blockCount() - 1;
}

qsizetype TranscriptBox::selStart()
{
    settle();
    const QTextCursor c = textCursor();
    const int pos = c.selectionStart();
    return pos + doc()->findBlock(pos).blockNumber();
}

void TranscriptBox::moveCaretToEnd()
{
    // Close to the end first, or finding the caret from where the view was
    // lays out every line in between.
    scrollQuietly(verticalScrollBar()->maximum());
    QTextCursor c = textCursor();
    c.movePosition(QTextCursor::End);
    setTextCursor(c);
    ensureCursorVisible();
}

qsizetype TranscriptBox::lineCount()
{
    settle();
    return documentLines();
}

QTextDocument *TranscriptBox::document()
{
    settle();
    return doc();
}

QString TranscriptBox::toPlainText()
{
    settle();
    return QPlainTextEdit::toPlainText();
}

void TranscriptBox::clear()
{
    m_flushDue.stop();
    m_putBack.stop();
    m_pending.clear();
    m_pendingLines = 0;
    m_held.clear();
    m_heldLines = 0;
    m_heldChars = 0;
    m_gap = QTextCursor();
    QPlainTextEdit::clear();
}
