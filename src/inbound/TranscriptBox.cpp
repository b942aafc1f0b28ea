#include "inbound/TranscriptBox.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace inbound {
void makeVisible(QString &text)
{
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t')
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7f)
            c = QChar(char16_t(0x2421));
    }
}
} // namespace inbound

TranscriptBox::TranscriptBox(QWidget *parent)
    : QPlainTextEdit(parent)
{
    // Server text is never rich text, and an undo history would keep every
    // line ever received.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    document()->setMaximumBlockCount(Scrollback + 1);
}

void TranscriptBox::appendLine(QStringView line)
{
    const qsizetype at = m_pending.size();
    m_pending.append(line);
    if (std::any_of(line.begin(), line.end(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; })) {
        QString tail = m_pending.sliced(at);
        inbound::makeVisible(tail);
        m_pending.replace(at, tail.size(), tail);
    }
    m_pending.append(u'\n');
}

void TranscriptBox::flush()
{
    if (m_pending.isEmpty())
        return;
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(m_pending);
    m_pending.resize(0);
    moveCaretToEnd();
}

QString TranscriptBox::text()
{
    flush();
    // The raw text: the plain-text export would turn a no-break space (a
    // byte the service may well send) into a blank.
    QString t = document()->toRawText();
    t.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    return t;
}

qsizetype TranscriptBox::textLength()
{
    flush();
    const QTextDocument *doc = document();
    // characterCount() counts one separator per block, the last one included.
    return doc->characterCount() - 1 + doc->blockCount() - 1;
}

qsizetype TranscriptBox::selStart()
{
    flush();
    const QTextCursor c = textCursor();
    const int pos = c.selectionStart();
    return pos + document()->findBlock(pos).blockNumber();
}

void TranscriptBox::moveCaretToEnd()
{
    QTextCursor c = textCursor();
    c.movePosition(QTextCursor::End);
    setTextCursor(c);
    ensureCursorVisible();
}

qsizetype TranscriptBox::lineCount()
{
    flush();
    // The block after the last line end is empty and not a line.
    return document()->blockCount() - 1;
}
