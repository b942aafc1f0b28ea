#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>
#include <QUrl>

#include "inbound/TranscriptLog.h"
#include <QTimer>

#include <optional>


// The chat transcript. Lines are appended in place and in batches: an append
// only queues the line, and the queue goes into the document at the next
// flush, which every reader triggers first. So whoever reads the text or the
// caret sees every line as if it had been appended on its own.
//
// It keeps the newest Scrollback lines. Under a flood a batch can hold
// thousands of lines, and putting each into the document only to drop it a
// moment later costs more than everything else the receiver does. So a batch
// of FloodBatch lines or more goes in as its newest FloodBatch lines only
// (fewer when they are long: FloodChars characters), which is all the box can
// show at once, and the lines before them are held back in order. They go
// back into the document, between the older lines and the newest, as soon as
// no lines are waiting to be flushed, in steps of a few milliseconds each, or
// all at once as soon as text(), textLength(), selStart(), lineCount() or
// document() is called, or the user acts on the box (a key, a click, a
// drag, the context menu), so that what the user selects and edits is the
// whole transcript. Until then the document and its scroll bar hold the
// oldest and the newest lines without the held ones in between; the caret is
// at the end either way.
//
// Received lines not yet wholly in the document live in a TranscriptLog, one
// record each: the held ones, the newest ones shown after them, and the
// queue, as three ranges of sequence numbers. The document above the gap is
// the only place where the user's edits can be.
//
// The queue is flushed by itself about once a frame while lines keep coming,
// and at once when they come one at a time.
//
// Every way of reading or changing the text goes through this class: the
// editor's own document(), toPlainText() and clear() are replaced by ones
// that see the held lines too, and the editor's other ways of putting text
// in, which would bypass the queue, are not offered.
//
// Text and caret positions are given as the rest of the program counts them:
// every line ends in CR LF, which counts as two characters.
//
// The web addresses in the text (inbound::findLinks) open on Ctrl+click, in
// the desktop's browser; the pointer shows a hand over them. A plain click
// only places the caret, so that a stranger's line cannot open a page on a
// click meant to select text.
class TranscriptBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int Scrollback = 100000;
    // Beside the line limit: at most this many characters, line ends
    // counted once. 100,000 lines of 80 characters fit, more than everyday
    // chat needs, and a flood of long lines cannot make the transcript hold
    // gigabytes. Not more: now and then the document copies all the text
    // it keeps in one go, and that must stay well inside a frame.
    static constexpr qsizetype CharBudget = 8 * 1000 * 1000;
    static constexpr int FloodBatch = 256;
    // Long lines: a screenful of them is far fewer characters than this.
    static constexpr qsizetype FloodChars = 64 * 1024;
    static constexpr int FlushEveryMs = 16;

    explicit TranscriptBox(QWidget *parent = nullptr);

    // Queues one line, shown as inbound::appendShown shows it; the line end
    // is added here. With alsoTo, the shown line is appended there too.
    void appendLine(QStringView line, QString *alsoTo = nullptr);
    // Brings the document up to date with the queue now.
    void flush();

    QString text();
    qsizetype textLength();
    qsizetype selStart();
    // Caret after the last character, with the newest line in view.
    void moveCaretToEnd();
    qsizetype lineCount();
    // Lines appended but not yet in the document: queued or held back.
    qsizetype linesWaiting() const;

    // The whole transcript, with every line in place.
    QTextDocument *document();
    QString toPlainText();
    void clear();

    // For tests: smaller limits, so their effect shows with little input.
    void setCharBudget(qsizetype chars);
    void setLineLimit(qsizetype lines);

signals:
    // Ctrl+click on a link; connected to QDesktopServices::openUrl.
    void linkActivated(const QUrl &url);

protected:
    bool event(QEvent *e) override;
    bool viewportEvent(QEvent *e) override;

private:
    using QPlainTextEdit::appendHtml;
    using QPlainTextEdit::appendPlainText;
    using QPlainTextEdit::insertPlainText;
    using QPlainTextEdit::setDocument;
    using QPlainTextEdit::setPlainText;

    QTextDocument *doc() const { return QPlainTextEdit::document(); }

    qsizetype heldLines() const { return m_tailFrom - m_heldFrom; }
    qsizetype tailLines() const { return m_queuedFrom - m_tailFrom; }
    int gapBlock() const { return documentLines() - int(tailLines()); }
    int documentLines() const;
    qsizetype documentChars() const;
    void dropWhatTheLogDropped();
    void closeGapIfEmpty();
    void floodFlush();
    void plainFlush();
    // Makes room for the queue, within both the line and the character
    // limit, oldest lines first.
    void trim();
    // How many of the first `most` lines go to free both counts.
    int topLinesCovering(qsizetype lines, qsizetype chars, int most) const;
    void insertAtEnd(const QString &lines);
    qsizetype removeTopLines(int count); // the characters it freed
    qsizetype removeAll();
    // The oldest `count` lines shown after the gap become held ones.
    void holdTail(qsizetype count);
    void putBack(qsizetype lines);
    void settle();
    void putBackStep();
    void scrollQuietly(int value);
    // The link on the character under a point of the viewport.
    std::optional<QUrl> linkAt(QPoint point) const;
    void showLinkPointer(bool overLink);

    inbound::TranscriptLog m_log;
    // Held lines are [m_heldFrom, m_tailFrom), the newest lines shown after
    // the gap [m_tailFrom, m_queuedFrom), the queue from m_queuedFrom to
    // the log's end. Without held lines there is no gap and all three are
    // equal. The log may have dropped the oldest of them since the last
    // flush; the flush catches up.
    qint64 m_heldFrom = 0;
    qint64 m_tailFrom = 0;
    qint64 m_queuedFrom = 0;
    qsizetype m_lineLimit = Scrollback;
    qsizetype m_charBudget = CharBudget;
    QTimer m_putBack;
    qsizetype m_putBackChars = 128 * 1024; // per step; adapts to what a step costs
    qint64 m_paintNs = 0;                  // what the last paint of the view took
    QTimer m_flushDue;
    QElapsedTimer m_sinceFlush;
    bool m_pointerOnLink = false;
    Qt::CursorShape m_pointerOffLink = Qt::IBeamCursor;
};
