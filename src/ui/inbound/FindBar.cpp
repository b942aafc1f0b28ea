#include "inbound/FindBar.h"

#include "inbound/TranscriptBox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <utility>

namespace {
// With the viewport not painting, the editor jumps to the new top line
// without measuring every line between it and the old one.
void scrollQuietly(QPlainTextEdit *edit, int value)
{
    QWidget *view = edit->viewport();
    const bool painting = view->updatesEnabled();
    view->setUpdatesEnabled(false);
    edit->verticalScrollBar()->setValue(value);
    view->setUpdatesEnabled(painting);
}

// The wrapped line a position is on, counted as the scroll bar counts: a
// line not yet laid out is one line.
int lineOf(const QTextCursor &c)
{
    const QTextBlock block = c.block();
    const QTextLine line = block.layout() ? block.layout()->lineForTextPosition(c.positionInBlock()) : QTextLine();
    return block.firstLineNumber() + (line.isValid() ? line.lineNumber() : 0);
}

QString keysHelp()
{
    return FindBar::tr("Enter: the next match; Shift+Enter: the one before; Escape: close");
}
} // namespace

FindBar::FindBar(TranscriptBox *transcript, QWidget *window)
    : QFrame(transcript)
    , m_transcript(transcript)
    , m_field(new QLineEdit(this))
    , m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("FindBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true); // the transcript's text must not show through

    m_field->setObjectName(QStringLiteral("findField"));
    m_field->setPlaceholderText(tr("Find"));
    m_field->setAccessibleName(tr("Find in the transcript"));
    m_field->setAccessibleDescription(keysHelp());
    m_field->setMinimumWidth(fontMetrics().averageCharWidth() * 18);
    m_field->installEventFilter(this);

    m_status->setObjectName(QStringLiteral("findStatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->hide();

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(3, 3, 3, 3);
    row->setSpacing(4);
    row->addWidget(m_field);
    row->addWidget(m_status);

    // A child of the viewport would scroll with the text.
    m_viewport = transcript->viewport();
    m_viewport->installEventFilter(this);
    hide();

    m_shortcut = new QShortcut(QKeySequence::Find, window);
    m_shortcut->setContext(Qt::WindowShortcut);
    connect(m_shortcut, &QShortcut::activated, this, &FindBar::open);

    // Taken once: the transcript keeps its document for good, and asking
    // for it later would bring in every held line on each change.
    connect(transcript->document(), &QTextDocument::contentsChange, this, &FindBar::textChanged);
    connect(transcript, &QPlainTextEdit::cursorPositionChanged, this, &FindBar::caretMoved);
    connect(transcript, &QPlainTextEdit::selectionChanged, this, &FindBar::caretMoved);
    connect(transcript->verticalScrollBar(), &QScrollBar::valueChanged, this, &FindBar::scrolled);
}

FindBar::~FindBar()
{
    delete m_shortcut.data();
}

void FindBar::open()
{
    QWidget *focus = QApplication::focusWidget();
    if (focus && focus != m_field)
        m_focusBefore = focus;
    place();
    show();
    raise();
    m_field->setFocus(Qt::ShortcutFocusReason);
    m_field->selectAll();
}

void FindBar::dismiss()
{
    forgetMatch();
    setStatus({});
    // Focus first: hiding the field while it has the focus would pass the
    // focus on to the next control, and a screen reader would say that too.
    QWidget *back = m_focusBefore ? m_focusBefore.data() : m_transcript;
    back->setFocus(Qt::ShortcutFocusReason);
    hide();
}

bool FindBar::findNext(bool backward)
{
    const QString needle = m_field->text();
    if (needle.isEmpty())
        return false;
    // Every held line goes in first, and a flush moves the caret: only then
    // is it where to search from.
    QTextDocument *doc = m_transcript->document();
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextCursor found = doc->find(needle, m_transcript->textCursor(), flags);
    if (found.isNull()) {
        QTextCursor around(doc);
        if (backward)
            around.movePosition(QTextCursor::End);
        found = doc->find(needle, around, flags);
    }
    if (found.isNull()) {
        setStatus(tr("No match"));
        return false;
    }
    setStatus({});
    m_match = found;
    m_matchText = found.selectedText();

    // Near the match before the caret goes there: the editor finds a caret
    // far from the view by laying out every line in between.
    QScrollBar *bar = m_transcript->verticalScrollBar();
    const int line = lineOf(found);
    if (line < bar->value() || line >= bar->value() + bar->pageStep() - 1)
        scrollQuietly(m_transcript, line - bar->pageStep() / 2);
    m_moving = true;
    m_transcript->setTextCursor(found);
    m_transcript->ensureCursorVisible();
    m_moving = false;
    rememberView();
    return true;
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    // Compared with the pointer kept, not asked of the transcript: the
    // viewport's last events come while the transcript is being destroyed.
    if (watched == m_viewport) {
        if (event->type() == QEvent::Resize && isVisible())
            place();
        return false;
    }
    if (watched != m_field || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return QFrame::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool escape = key->key() == Qt::Key_Escape && mods == Qt::NoModifier;
    if (!escape && !(enter && (mods == Qt::NoModifier || mods == Qt::ShiftModifier)))
        return false;
    // Ours even where the window has a shortcut on the same key.
    if (event->type() == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    if (escape)
        dismiss();
    else
        findNext(mods == Qt::ShiftModifier);
    return true;
}

void FindBar::keyPressEvent(QKeyEvent *event)
{
    // What the field leaves (Page Up, an arrow up) would otherwise go on to
    // the transcript, which would move its caret, and to the window's own
    // handling of the transcript's keys.
    event->accept();
}

void FindBar::place()
{
    const QRect view = m_transcript->viewport()->geometry();
    const QSize size = sizeHint().boundedTo(view.size());
    const QRect corner(view.right() + 1 - size.width(), view.top(), size.width(), size.height());
    setGeometry(QStyle::visualRect(layoutDirection(), view, corner));
}

void FindBar::setStatus(const QString &text)
{
    if (m_status->text() == text)
        return;
    m_status->setText(text);
    m_status->setAccessibleName(text);
    m_status->setVisible(!text.isEmpty());
    // Read out where the user types; a change of description is announced.
    m_field->setAccessibleDescription(text.isEmpty() ? keysHelp() : text);
    if (isVisible())
        place();
}

void FindBar::forgetMatch()
{
    m_match = QTextCursor();
    m_matchText.clear();
    m_viewTop = QTextCursor();
    m_textChanged = false;
}

void FindBar::rememberView()
{
    const int value = m_transcript->verticalScrollBar()->value();
    const QTextBlock top = m_match.document()->findBlockByLineNumber(value);
    m_viewTop = QTextCursor(top);
    m_viewTopLine = value - top.firstLineNumber();
}

void FindBar::putViewBack()
{
    const int value = m_viewTop.block().firstLineNumber() + m_viewTopLine;
    if (m_transcript->verticalScrollBar()->value() != value)
        scrollQuietly(m_transcript, value);
}

void FindBar::textChanged()
{
    if (m_match.isNull() || m_textChanged)
        return;
    m_textChanged = true;
    // Lines put back into the middle change the text without moving the
    // caret; then there is nothing to answer.
    QMetaObject::invokeMethod(this, [this] { m_textChanged = false; }, Qt::QueuedConnection);
}

void FindBar::caretMoved()
{
    if (m_moving || m_match.isNull())
        return;
    const QTextCursor caret = m_transcript->textCursor();
    if (caret.anchor() == m_match.anchor() && caret.position() == m_match.position())
        return;
    const bool followingEnd = std::exchange(m_textChanged, false) && caret.atEnd() && !caret.hasSelection();
    // The user moved the caret, or the match was trimmed away with the
    // oldest lines: the transcript follows its end again.
    if (!followingEnd || m_match.selectedText() != m_matchText) {
        forgetMatch();
        return;
    }
    // The view first, so that the caret is found close by.
    putViewBack();
    m_moving = true;
    m_transcript->setTextCursor(m_match);
    m_moving = false;
    // The transcript goes on to bring the caret into view, which scrolls if
    // the user had scrolled the match away; the view goes back before it is
    // painted, since paints wait behind queued calls.
    if (!m_viewCheckDue) {
        m_viewCheckDue = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_viewCheckDue = false;
                if (!m_match.isNull())
                    putViewBack();
            },
            Qt::QueuedConnection);
    }
}

void FindBar::scrolled(int)
{
    // Mid-flush the transcript scrolls to its end and back; only what the
    // user scrolls to is the view to keep.
    if (m_match.isNull() || m_moving || m_textChanged)
        return;
    rememberView();
}
