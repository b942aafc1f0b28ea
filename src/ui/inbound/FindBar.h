#pragma once

#include <QFrame>
#include <QPointer>
#include <QString>
#include <QTextCursor>

class QLabel;
class QLineEdit;
class QShortcut;
class TranscriptBox;

// Find in the transcript: Ctrl+F anywhere in the window opens a small field
// over the transcript's top-right corner. Enter selects the next match
// towards the end, Shift+Enter the one before, both wrapping around; case is
// ignored. Escape closes it and gives the keyboard focus back to whatever
// had it. "No match" shows beside the field and is the field's accessible
// description, which a screen reader reads out where the user types.
//
// The transcript puts its caret at the end, and scrolls there, after every
// batch of lines it takes in. While the field is open, that would drop the
// match and pull the view away from it on every line the channel says. So
// when the caret lands at the end right after the text changed, the bar puts
// the match and the view back at once, before the next paint. The match is
// kept as a QTextCursor, which moves with lines trimmed above it; once it is
// trimmed away, or the user moves the caret, the transcript follows the end
// again as ever.
class FindBar : public QFrame
{
    Q_OBJECT
public:
    // Lies over `transcript`; the shortcut belongs to `window`.
    FindBar(TranscriptBox *transcript, QWidget *window);
    ~FindBar() override;

    void open();
    void dismiss();
    // Selects the next match (or the one before) and says whether there was one.
    bool findNext(bool backward);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void place();
    void setStatus(const QString &text);
    void forgetMatch();
    void rememberView();
    void putViewBack();
    void textChanged();
    void caretMoved();
    void scrolled(int value);

    TranscriptBox *m_transcript;
    QLineEdit *m_field;
    QLabel *m_status;
    QPointer<QShortcut> m_shortcut;
    QPointer<QWidget> m_focusBefore;
    QObject *m_viewport = nullptr;
    QTextCursor m_match;
    QString m_matchText;
    // The line at the top of the view: the start of its block, and which of
    // the block's wrapped lines.
    QTextCursor m_viewTop;
    int m_viewTopLine = 0;
    // The text changed and the caret has not moved since.
    bool m_textChanged = false;
    bool m_viewCheckDue = false;
    bool m_moving = false; // the bar itself moves the caret
};
