#include "inbound/TranscriptBox.h"

#include "inbound/Links.h"
#include "inbound/ShownText.h"

#include <QDesktopServices>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

namespace {
// A put-back step and the paint after it share a frame, with room to spare:
// long lines make the paint dear, and then the steps are smaller. Larger
// steps than the most here would settle a little sooner, but a step that
// overshoots on lines of thousands of characters stalls past a frame.
constexpr qint64 PutBackFrameNs = 12'000'000;
constexpr qint64 PutBackStepLeastNs = 3'000'000;
constexpr qint64 PutBackStepMostNs = 5'000'000;
constexpr qsizetype PutBackLeast = 16 * 1024; // characters a step
constexpr qsizetype PutBackMost = 4 * 1024 * 1024;
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
    setLineLimit(Scrollback);
    m_putBack.setSingleShot(true);
    connect(&m_putBack, &QTimer::timeout, this, &TranscriptBox::putBackStep);
    m_flushDue.setSingleShot(true);
    connect(&m_flushDue, &QTimer::timeout, this, &TranscriptBox::flush);
    // A test catches what would open with QDesktopServices::setUrlHandler.
    connect(this, &TranscriptBox::linkActivated, this, &QDesktopServices::openUrl);
    // The pointer follows the mouse over links with no button down too.
    viewport()->setMouseTracking(true);
}

void TranscriptBox::setCharBudget(qsizetype chars)
{
    m_charBudget = chars;
    m_log.setLimits(m_lineLimit, chars);
}

void TranscriptBox::setLineLimit(qsizetype lines)
{
    m_lineLimit = lines;
    m_log.setLimits(lines, m_charBudget);
    doc()->setMaximumBlockCount(int(lines) + 1);
}

qsizetype TranscriptBox::linesWaiting() const
{
    // What the log dropped since the last flush is not waiting any more.
    const qint64 first = m_log.first();
    const auto from = [first](qint64 seq) { return qMax(seq, first); };
    return (from(m_tailFrom) - from(m_heldFrom)) + (m_log.end() - from(m_queuedFrom));
}

void TranscriptBox::appendLine(QStringView line, QString *alsoTo)
{
    // The log keeps within the limits as lines come, so between two flushes
    // the queue can never outgrow the transcript itself.
    m_log.append(line, alsoTo);
    // Each flush costs a repaint: under a flood, one a frame is enough.
    if (!m_flushDue.isActive()) {
        const qint64 since = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : FlushEveryMs;
        m_flushDue.start(int(qMax<qint64>(0, FlushEveryMs - since)));
    }
}

bool TranscriptBox::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::InputMethod:
    case QEvent::ContextMenu:
        // The user acts on the whole transcript, never on a partial view.
        settle();
        break;
    default:
        break;
    }
    return QPlainTextEdit::event(e);
}

bool TranscriptBox::viewportEvent(QEvent *e)
{
    switch (e->type()) {
    case QEvent::MouseButtonPress: {
        settle();
        const auto *m = static_cast<QMouseEvent *>(e);
        if (m->button() == Qt::LeftButton && m->modifiers() == Qt::ControlModifier) {
            if (const std::optional<QUrl> url = linkAt(m->position().toPoint())) {
                emit linkActivated(*url);
                return true; // the caret stays where it was
            }
        }
        break;
    }
    case QEvent::Leave:
        showLinkPointer(false);
        break;
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        settle();
        break;
    case QEvent::MouseMove: {
        const auto *m = static_cast<QMouseEvent *>(e);
        // A selection being dragged out.
        if (m->buttons() != Qt::NoButton)
            settle();
        else
            showLinkPointer(linkAt(m->position().toPoint()).has_value());
        break;
    }
    case QEvent::Paint: {
        QElapsedTimer painting;
        painting.start();
        const bool done = QPlainTextEdit::viewportEvent(e);
        m_paintNs = painting.nsecsElapsed();
        return done;
    }
    default:
        break;
    }
    return QPlainTextEdit::viewportEvent(e);
}

void TranscriptBox::flush()
{
    m_flushDue.stop();
    if (m_log.end() == m_queuedFrom)
        return; // nothing appended since the last flush
    m_sinceFlush.start();
    dropWhatTheLogDropped();
    if (m_log.end() - m_queuedFrom >= FloodBatch || m_log.chars(m_queuedFrom, m_log.end()) > 2 * FloodChars)
        floodFlush();
    else
        plainFlush();
    closeGapIfEmpty();
    if (heldLines() > 0 && !m_putBack.isActive())
        m_putBack.start(0);
    moveCaretToEnd();
}

int TranscriptBox::documentLines() const
{
    // The block after the last line end is a line only once the user types
    // into it.
    return doc()->blockCount() - 1;
}

qsizetype TranscriptBox::documentChars() const
{
    return doc()->characterCount() - 1;
}

void TranscriptBox::dropWhatTheLogDropped()
{
    const qint64 first = m_log.first();
    if (first <= m_heldFrom)
        return;
    // A line newer than everything above the gap did not fit: none of that
    // fits either, and neither does what the user typed after the last line
    // end, which belongs to the first queued line.
    if (m_heldFrom == m_tailFrom) {
        removeAll();
    } else {
        const qsizetype tailGone = std::clamp<qint64>(first - m_tailFrom, 0, tailLines());
        removeTopLines(gapBlock() + int(tailGone));
    }
    m_heldFrom = qMax(m_heldFrom, first);
    m_tailFrom = qMax(m_tailFrom, first);
    m_queuedFrom = qMax(m_queuedFrom, first);
    closeGapIfEmpty();
}

void TranscriptBox::closeGapIfEmpty()
{
    if (m_heldFrom != m_tailFrom)
        return;
    // The lines after the gap are just the newest lines of the document.
    m_log.dropBefore(m_queuedFrom);
    m_heldFrom = m_tailFrom = m_queuedFrom;
}

void TranscriptBox::plainFlush()
{
    trim();
    insertAtEnd(m_log.text(m_queuedFrom, m_log.end()));
    m_queuedFrom = m_log.end();
    if (heldLines() == 0)
        return;
    // A trickle after a flood must not pile up below the gap: the next
    // burst would have to hold all of it back at once.
    if (tailLines() > 2 * FloodBatch)
        holdTail(tailLines() - FloodBatch);
}

void TranscriptBox::floodFlush()
{
    trim();
    if (m_log.end() == m_queuedFrom)
        return;
    if (heldLines() == 0) {
        // The gap goes at a line start: what the user typed after the last
        // line end is finished by the first queued line.
        if (!doc()->lastBlock().text().isEmpty()) {
            insertAtEnd(m_log.text(m_queuedFrom, m_queuedFrom + 1));
            m_log.dropBefore(++m_queuedFrom);
            m_heldFrom = m_tailFrom = m_queuedFrom;
            if (m_log.end() == m_queuedFrom)
                return;
        }
    } else {
        // What is shown after the gap is older than the whole batch: it is
        // held back too, so the held lines stay one run.
        holdTail(tailLines());
    }
    m_tailFrom = m_log.newestWithin(FloodBatch, FloodChars, m_queuedFrom);
    insertAtEnd(m_log.text(m_tailFrom, m_log.end()));
    m_queuedFrom = m_log.end();
    m_putBack.start(0);
}

void TranscriptBox::insertAtEnd(const QString &lines)
{
    if (lines.isEmpty())
        return;
    QTextDocument *d = doc();
    QTextCursor end(d);
    // Inside an edit block the cursor skips laying out where it lands.
    end.beginEditBlock();
    end.setPosition(d->characterCount() - 1);
    end.insertText(lines);
    end.endEditBlock();
}

void TranscriptBox::trim()
{
    // Oldest first: the document above the gap, then the log's lines (held,
    // shown after the gap, queued), which count once each.
    const int above = documentLines() - int(tailLines());
    qsizetype lines = above + m_log.lines() - m_lineLimit;
    qsizetype chars = documentChars() - m_log.chars(m_tailFrom, m_queuedFrom) + m_log.chars() - m_charBudget;
    if (lines <= 0 && chars <= 0)
        return;
    const int top = topLinesCovering(lines, chars, above);
    chars -= removeTopLines(top);
    lines -= top;
    if (lines <= 0 && chars <= 0)
        return;
    // All of the document above the gap went; what the user typed after the
    // last line end goes with the first queued line.
    if (heldLines() == 0 && documentChars() > 0) {
        chars -= removeAll();
        lines = qMax<qsizetype>(lines, 1);
    }
    const qint64 upTo = m_log.oldestCovering(lines, chars);
    // The lines shown after the gap are the top of the document by now.
    removeTopLines(int(std::clamp<qint64>(upTo - m_tailFrom, 0, tailLines())));
    m_log.dropBefore(upTo);
    m_heldFrom = qMax(m_heldFrom, upTo);
    m_tailFrom = qMax(m_tailFrom, upTo);
    m_queuedFrom = qMax(m_queuedFrom, upTo);
    closeGapIfEmpty();
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

qsizetype TranscriptBox::removeAll()
{
    QTextDocument *d = doc();
    const qsizetype before = d->characterCount();
    QTextCursor all(d);
    all.beginEditBlock();
    all.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    all.removeSelectedText();
    all.endEditBlock();
    return before - d->characterCount();
}

void TranscriptBox::holdTail(qsizetype count)
{
    if (count <= 0)
        return;
    QTextDocument *d = doc();
    const int gap = gapBlock();
    QTextCursor c(d);
    c.beginEditBlock();
    c.setPosition(d->findBlockByNumber(gap).position());
    c.setPosition(d->findBlockByNumber(gap + int(count)).position(), QTextCursor::KeepAnchor);
    c.removeSelectedText();
    c.endEditBlock();
    m_tailFrom += count;
}

void TranscriptBox::putBack(qsizetype lines)
{
    if (heldLines() == 0)
        return;
    // What the user is looking at stays in view: the newest line if the
    // caret there is shown, else the lines on screen.
    const QTextCursor caret = textCursor();
    const bool followEnd = caret.atEnd() && viewport()->rect().intersects(cursorRect());
    const int gap = gapBlock();
    const bool viewBelowGap = firstVisibleBlock().blockNumber() >= gap;
    QScrollBar *bar = verticalScrollBar();
    const int value = bar->value();
    const qint64 to = m_heldFrom + qMin(lines, heldLines());
    QTextCursor at(doc());
    at.beginEditBlock();
    at.setPosition(doc()->findBlockByNumber(gap).position());
    at.insertText(m_log.text(m_heldFrom, to));
    at.endEditBlock();
    const int count = int(to - m_heldFrom);
    m_heldFrom = to;
    m_log.dropBefore(to);
    closeGapIfEmpty();
    // Scrolling by the lines put in keeps the same lines on screen: each new
    // line is one step until it is laid out.
    if (followEnd || viewBelowGap)
        scrollQuietly(value + count);
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

std::optional<QUrl> TranscriptBox::linkAt(QPoint point) const
{
    // What is on screen is the document as it is, held lines or not.
    const QTextBlock block = cursorForPosition(point).block();
    const QTextLayout *layout = block.layout();
    if (!block.isValid() || !layout)
        return std::nullopt;
    // The nearest caret position is not enough: past the end of a line, or
    // below the last one, the pointer is on no character at all.
    const QPointF at = QPointF(point) - blockBoundingGeometry(block).translated(contentOffset()).topLeft();
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const QRectF text = line.naturalTextRect();
        if (at.y() < text.top() || at.y() >= text.bottom())
            continue;
        if (at.x() < text.left() || at.x() >= text.right())
            return std::nullopt;
        const int ch = line.xToCursor(at.x(), QTextLine::CursorOnCharacter);
        for (const inbound::Link &link : inbound::findLinks(block.text())) {
            if (ch >= link.position && ch < link.position + link.length)
                return link.url;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

void TranscriptBox::showLinkPointer(bool overLink)
{
    if (overLink == m_pointerOnLink)
        return;
    m_pointerOnLink = overLink;
    // Back to whatever the editor showed, the I-beam unless made read-only.
    if (overLink)
        m_pointerOffLink = viewport()->cursor().shape();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : m_pointerOffLink);
}

void TranscriptBox::putBackStep()
{
    // Not while lines keep coming: it would only slow the flood down, and
    // what goes back now may be trimmed by the very next batch. The flush
    // after them starts the next step; a frame without one ends the flood.
    if (heldLines() == 0 || m_log.end() > m_queuedFrom)
        return;
    const qint64 quiet = m_sinceFlush.isValid() ? m_sinceFlush.elapsed() : FlushEveryMs;
    if (quiet < FlushEveryMs) {
        m_putBack.start(int(FlushEveryMs - quiet));
        return;
    }
    // A step is sized in characters, since long lines cost more than short
    // ones, and by what the last step took.
    const qint64 to = m_log.fromWithin(m_heldFrom, m_putBackChars);
    const qsizetype done = m_log.chars(m_heldFrom, to);
    QElapsedTimer spent;
    spent.start();
    putBack(to - m_heldFrom);
    const qint64 ns = qMax<qint64>(spent.nsecsElapsed(), 1);
    const qint64 step = std::clamp(PutBackFrameNs - m_paintNs, PutBackStepLeastNs, PutBackStepMostNs);
    m_putBackChars = qBound(PutBackLeast, qsizetype(double(done) * double(step) / double(ns)), PutBackMost);
    if (heldLines() > 0)
        m_putBack.start(0);
}

void TranscriptBox::settle()
{
    flush();
    m_putBack.stop();
    putBack(heldLines());
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
    m_log.clear();
    m_heldFrom = m_tailFrom = m_queuedFrom = m_log.end();
    QPlainTextEdit::clear();
}
