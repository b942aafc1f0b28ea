#include "inbound/TranscriptBox.h"

#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

namespace {
qsizetype linePadding = 0; // long lines go into the document fewer at a time

QString line(qsizetype i)
{
    return QStringLiteral("line %1").arg(i) + QString(linePadding, u'.');
}

// Appends the batches, flushing after each, and returns how many lines went in.
qsizetype feed(TranscriptBox &box, const QList<int> &batches, qsizetype first = 0)
{
    qsizetype n = first;
    for (const int batch : batches) {
        for (int i = 0; i < batch; ++i)
            box.appendLine(line(n++));
        box.flush();
    }
    return n - first;
}

QString expectedText(qsizetype total)
{
    QString text;
    for (qsizetype i = qMax<qsizetype>(0, total - TranscriptBox::Scrollback); i < total; ++i)
        text += line(i) + QStringLiteral("\r\n");
    return text;
}
} // namespace

// Under a flood only the newest lines of a batch go into the document at
// once; the rest are held back and put back later. Whatever the batches, a
// reader must see the newest lines in order, as if each had been appended
// on its own.
class tst_TranscriptBox : public QObject
{
    Q_OBJECT
private slots:
    void batchesReadBackInOrder_data()
    {
        QTest::addColumn<QList<int>>("batches");
        QTest::addColumn<qsizetype>("padding");
        const int flood = TranscriptBox::FloodBatch;
        QTest::newRow("small batches") << QList<int>{1, 5, flood - 1} << qsizetype(0);
        QTest::newRow("one flood batch") << QList<int>{flood * 4} << qsizetype(0);
        QTest::newRow("exactly one flood batch") << QList<int>{flood} << qsizetype(0);
        QTest::newRow("flood after history") << QList<int>{200, 50, flood * 3} << qsizetype(0);
        QTest::newRow("trickle between floods") << QList<int>{100, flood * 2, 7, 30, flood * 5, 1} << qsizetype(0);
        QTest::newRow("trickle longer than the window") << QList<int>{flood * 2, 200, 200, 200, 200, 3} << qsizetype(0);
        QTest::newRow("scrollback overflows inside the held lines")
            << QList<int>{50, TranscriptBox::Scrollback - 20, flood * 2, 10} << qsizetype(0);
        QTest::newRow("scrollback overflows with history shown")
            << QList<int>{TranscriptBox::Scrollback - 10, 40, flood + 1} << qsizetype(0);
        QTest::newRow("one batch beyond the scrollback") << QList<int>{TranscriptBox::Scrollback + 300} << qsizetype(0);
        QTest::newRow("long lines, fewer of them shown at once")
            << QList<int>{20, 300, 20, 250} << qsizetype(1000);
    }

    void batchesReadBackInOrder()
    {
        QFETCH(QList<int>, batches);
        QFETCH(qsizetype, padding);
        linePadding = padding;
        const auto plain = qScopeGuard([] { linePadding = 0; });
        TranscriptBox box;
        const qsizetype total = feed(box, batches);
        const QString expected = expectedText(total);
        // The editor's own document is no partial view, even mid-flood.
        QCOMPARE(box.document()->blockCount() - 1, qMin<qsizetype>(total, TranscriptBox::Scrollback));
        QCOMPARE(box.lineCount(), qMin<qsizetype>(total, TranscriptBox::Scrollback));
        QCOMPARE(box.text(), expected);
        QCOMPARE(box.textLength(), expected.size());
        QCOMPARE(box.selStart(), expected.size());
        QCOMPARE(box.document()->firstBlock().text(), line(qMax<qsizetype>(0, total - TranscriptBox::Scrollback)));
        feed(box, {TranscriptBox::FloodBatch * 2});
        box.clear();
        QCOMPARE(box.lineCount(), 0);
        QCOMPARE(box.text(), QString());
    }

    // Nobody reads: once the flood pauses the held lines go back by
    // themselves, all of them and in order, and the newest line stays in
    // view.
    void heldLinesGoBackWhenTheFloodPauses_data()
    {
        QTest::addColumn<int>("flood");
        QTest::newRow("below the scrollback") << TranscriptBox::FloodBatch * 20;
        QTest::newRow("at the scrollback") << TranscriptBox::Scrollback;
        QTest::newRow("far above the scrollback") << TranscriptBox::Scrollback * 3;
    }
    void heldLinesGoBackWhenTheFloodPauses()
    {
        QFETCH(int, flood);
        TranscriptBox box;
        box.resize(300, 200);
        box.show();
        const qsizetype total = feed(box, {30, flood, 5});
        QVERIFY(box.linesWaiting() > 0);
        QTRY_COMPARE(box.linesWaiting(), 0);
        // What the editor itself shows, before any reader could settle it.
        const QTextDocument *shown = static_cast<QPlainTextEdit &>(box).document();
        QCOMPARE(shown->blockCount() - 1, qMin<qsizetype>(total, TranscriptBox::Scrollback));
        QCOMPARE(box.text(), expectedText(total));
        QVERIFY(box.textCursor().atEnd());
        QVERIFY(box.viewport()->rect().contains(box.cursorRect()));
    }

    // A user who scrolled back keeps reading the same lines while the held
    // ones go back in below them.
    void scrolledBackViewStays_data()
    {
        QTest::addColumn<int>("scrolledTo");
        QTest::newRow("among the older lines") << 20;
        QTest::newRow("among the newest lines") << 150;
    }
    void scrolledBackViewStays()
    {
        QFETCH(int, scrolledTo);
        TranscriptBox box;
        box.resize(300, 200);
        box.show();
        feed(box, {100, TranscriptBox::FloodBatch * 10});
        box.verticalScrollBar()->setValue(scrolledTo);
        const QString top = box.cursorForPosition(QPoint(5, 5)).block().text();
        QTRY_COMPARE(box.linesWaiting(), 0);
        QCOMPARE(box.cursorForPosition(QPoint(5, 5)).block().text(), top);
    }

    // Reading the caret does not move it, even with lines held back.
    void caretMovedByTheUserStays()
    {
        TranscriptBox box;
        feed(box, {10, TranscriptBox::FloodBatch * 3});
        box.moveCursor(QTextCursor::Start);
        QCOMPARE(box.selStart(), 0);
        QCOMPARE(box.lineCount(), 10 + TranscriptBox::FloodBatch * 3);
        QCOMPARE(box.selStart(), 0);
    }

    // What the user typed into the transcript stays where it was typed.
    void userTextSurvivesAFlood()
    {
        TranscriptBox box;
        feed(box, {3});
        box.moveCursor(QTextCursor::End);
        QTest::keyClicks(&box, QStringLiteral("typed"));
        const qsizetype total = feed(box, {TranscriptBox::FloodBatch * 2}, 3) + 3;
        QString expected = expectedText(total);
        expected.insert(expected.indexOf(line(3)), QStringLiteral("typed"));
        QCOMPARE(box.text(), expected);
    }
};

QTEST_MAIN(tst_TranscriptBox)
#include "tst_transcriptbox.moc"
