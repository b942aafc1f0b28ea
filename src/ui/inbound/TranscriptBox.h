#pragma once

#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>
#include <QTimer>

#include <deque>
#include <utility>

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
// show at once, and the lines before them are held back in order. They go back into the document, between the older lines and
// the newest, as soon as no lines are waiting to be flushed, in steps of a
// few milliseconds each, or all at once as soon as text(), textLength(),
// selStart(), lineCount() or document() is called.
// Until then the document and its scroll bar hold the oldest and the newest
// lines without the held ones in between; the caret is at the end either way.
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
    // The queue keeps at most this much room between flushes: a flood of
    // long lines must not leave it tens of megabytes large.
    static constexpr qsizetype ReserveMost = 1 << 20;

    explicit TranscriptBox(QWidget *parent = nullptr);

    // Queues one line, shown as inbound::appendShown shows it; the line end
    // is added here.
    void appendLine(QStringView line);
    // Brings the document up to date with the queue now.
    void flush();

    QString text();
    qsizetype textLength();
    qsizetype selStart();
    // Caret after the last character, with the newest line in view.
    void moveCaretToEnd();
    qsizetype lineCount();
    // Lines appended but not yet in the document: queued or held back.
    qsizetype linesWaiting() const { return m_pendingLines + m_heldLines; }

    // The whole transcript, with every line in place.
    QTextDocument *document();
    QString toPlainText();
    void clear();

    // For tests: a smaller character budget, so its effect shows with
    // little input.
    void setCharBudget(qsizetype chars) { m_charBudget = chars; }

private:
    using QPlainTextEdit::appendHtml;
    using QPlainTextEdit::appendPlainText;
    using QPlainTextEdit::insertPlainText;
    using QPlainTextEdit::setDocument;
    using QPlainTextEdit::setPlainText;

    QTextDocument *doc() const { return QPlainTextEdit::document(); }

    // Held-back lines, oldest first: each piece is text from `begin` to
    // `end`, `lines` whole lines that each end in a line feed.
    struct Held
    {
        QString text;
        qsizetype begin = 0;
        qsizetype end = 0;
        qsizetype lines = 0;
    };

    void keepNewestPending(qsizetype chars);
    int documentLines() const;
    qsizetype documentChars() const;
    int linesAboveGap() const;
    void floodFlush();
    void plainFlush();
    // Makes room for what comes in, within both the line and the
    // character limit.
    void trim(qsizetype incomingLines, qsizetype incomingChars);
    // How many of the first `most` lines go to free both counts.
    int topLinesCovering(qsizetype lines, qsizetype chars, int most) const;
    void insertAtEnd(const QString &lines);
    qsizetype removeTopLines(int count); // the characters it freed
    void holdAfterGap(int count);
    void hold(const QString &text, qsizetype begin, qsizetype end, qsizetype lines);
    // Drops the oldest held lines until at least `lines` lines and `chars`
    // characters are gone; says how many of each went.
    std::pair<qsizetype, qsizetype> dropHeld(qsizetype lines, qsizetype chars);
    QString takeHeld(qsizetype lines);
    // How many of the oldest held lines fit in chars (at least one).
    qsizetype heldLinesWithin(qsizetype chars) const;
    void putBack(qsizetype lines);
    void settle();
    void putBackStep();
    void scrollQuietly(int value);

    QString m_pending;
    qsizetype m_pendingLines = 0;
    std::deque<Held> m_held;
    qsizetype m_heldLines = 0;
    qsizetype m_heldChars = 0;
    qsizetype m_charBudget = CharBudget;
    // Where held lines go back in: after the older lines, before the newest.
    QTextCursor m_gap;
    QTimer m_putBack;
    qsizetype m_putBackChars = 128 * 1024; // per step; adapts to what a step costs
    QTimer m_flushDue;
    QElapsedTimer m_sinceFlush;
};
