#pragma once

#include <QPlainTextEdit>
#include <QString>

// The chat transcript. Lines are appended in place and in batches: an append
// only queues the line, and the queue goes into the document at the next
// flush, which every reader triggers first. So whoever reads the text or the
// caret sees every line as if it had been appended on its own.
//
// Text and caret positions are given as the rest of the program counts them:
// every line ends in CR LF, which counts as two characters.
class TranscriptBox : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr int Scrollback = 100000;

    explicit TranscriptBox(QWidget *parent = nullptr);

    // Queues one line; the line end is added here.
    void appendLine(QStringView line);
    void flush();

    QString text();
    qsizetype textLength();
    qsizetype selStart();
    // Caret after the last character, with the newest line in view.
    void moveCaretToEnd();
    qsizetype lineCount();

private:
    QString m_pending;
};

namespace inbound {
// Control characters could break one received line into several or forge a
// line that looks as if someone else wrote it; they are shown as their
// visible stand-ins instead, one for one, so lengths stay the same.
void makeVisible(QString &text);
}
