#include "inbound/TranscriptBox.h"

#include "TranscriptDiff.h"

#include <QDesktopServices>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

namespace {
qsizetype linePadding = 0; // long lines go into the document fewer at a time
qsizetype paddedFrom = 0;
qsizetype oddEvery = 0;    // every so many lines this one instead, as the
QString oddLine;           // gateway's empty info lines

QString line(qsizetype i)
{
    if (oddEvery && i % oddEvery == 0)
        return oddLine;
    return QStringLiteral("line %1").arg(i) + QString(i >= paddedFrom ? linePadding : 0, u'.');
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

// The newest lines that fit in both limits.
QString expectedText(qsizetype total)
{
    qsizetype first = total;
    for (qsizetype chars = 0; first > 0 && total - first < TranscriptBox::Scrollback; --first) {
        chars += line(first - 1).size() + 1;
        if (chars > TranscriptBox::CharBudget)
            break;
    }
    QString text;
    for (qsizetype i = first; i < total; ++i)
        text += inbound::shownText(line(i), inbound::MaxLineShown) + QStringLiteral("\r\n");
    return text;
}

// Stands in for the browser: what QDesktopServices::openUrl would open.
class Browser : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void open(const QUrl &url) { opened << url; }
    QList<QUrl> opened;
};
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
        QTest::addColumn<qsizetype>("paddedFrom");
        QTest::addColumn<qsizetype>("oddEvery");
        QTest::addColumn<QString>("oddLine");
        const int flood = TranscriptBox::FloodBatch;
        QTest::newRow("small batches") << QList<int>{1, 5, flood - 1} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("one flood batch") << QList<int>{flood * 4} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("exactly one flood batch") << QList<int>{flood} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("flood after history") << QList<int>{200, 50, flood * 3} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("trickle between floods") << QList<int>{100, flood * 2, 7, 30, flood * 5, 1} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("trickle longer than the window") << QList<int>{flood * 2, 200, 200, 200, 200, 3} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("scrollback overflows inside the held lines")
            << QList<int>{50, TranscriptBox::Scrollback - 20, flood * 2, 10} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("scrollback overflows with history shown")
            << QList<int>{TranscriptBox::Scrollback - 10, 40, flood + 1} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("one batch beyond the scrollback") << QList<int>{TranscriptBox::Scrollback + 300} << qsizetype(0) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("long lines, fewer of them shown at once")
            << QList<int>{20, 300, 20, 250} << qsizetype(1000) << qsizetype(0) << qsizetype(0) << QString();
        QTest::newRow("bursts of one flood batch, the oldest line empty")
            << QList<int>{flood, flood, flood} << qsizetype(0) << qsizetype(0) << qsizetype(flood) << QString();
        QTest::newRow("one batch over the character budget")
            << QList<int>{10, 2100} << qsizetype(3990) << qsizetype(10) << qsizetype(0) << QString();
        QTest::newRow("bursts whose newest lines hold a paragraph separator")
            << QList<int>{flood * 2, flood} << qsizetype(0) << qsizetype(0) << qsizetype(3)
            << QStringLiteral("a\u2029b\u2028c\uFDD0d");
    }

    void batchesReadBackInOrder()
    {
        QFETCH(QList<int>, batches);
        QFETCH(qsizetype, padding);
        QFETCH(qsizetype, paddedFrom);
        QFETCH(qsizetype, oddEvery);
        QFETCH(QString, oddLine);
        linePadding = padding;
        ::paddedFrom = paddedFrom;
        ::oddEvery = oddEvery;
        ::oddLine = oddLine;
        const auto plain = qScopeGuard([] { linePadding = 0; ::paddedFrom = 0; ::oddEvery = 0; });
        TranscriptBox box;
        const qsizetype total = feed(box, batches);
        const QString expected = expectedText(total);
        const qsizetype lines = expected.count(u'\n');
        // The editor's own document is no partial view, even mid-flood.
        QCOMPARE(box.document()->blockCount() - 1, lines);
        QCOMPARE(box.lineCount(), lines);
        QCOMPARE(box.text(), expected);
        QCOMPARE(box.textLength(), expected.size());
        QCOMPARE(box.selStart(), expected.size());
        QCOMPARE(box.document()->firstBlock().text(), inbound::shownText(line(total - lines), inbound::MaxLineShown));
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

    // What the user typed into the transcript stays where it was typed, and
    // the user acts on every line received so far, never on a partial view.
    void userEditsLandWhereMade_data()
    {
        QTest::addColumn<QList<int>>("before"); // batches flushed first
        QTest::addColumn<int>("queued");        // then lines not yet flushed
        QTest::addColumn<int>("caretLine");     // put on the document as it is
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<QString>("expected");
        const int flood = TranscriptBox::FloodBatch;
        const auto lines = [](qsizetype from, qsizetype to) {
            QString text;
            for (qsizetype i = from; i < to; ++i)
                text += inbound::shownText(line(i), inbound::MaxLineShown) + QStringLiteral("\r\n");
            return text;
        };
        QTest::newRow("typed at the end, then a flood") << QList<int>{3} << 0 << -1 << QList<int>{} << QStringLiteral("typed")
                                                        << QList<int>{flood * 2}
                                                        << lines(0, 3) + QStringLiteral("typed") + lines(3, 3 + flood * 2);
        QTest::newRow("a key before the next flush")
            << QList<int>{1} << 1 << -1 << QList<int>{} << QStringLiteral("abc") << QList<int>{} << lines(0, 2) + QStringLiteral("abc");
        // Line 10 of the document is the oldest of the newest lines shown.
        QTest::newRow("typed where held lines go back")
            << QList<int>{10, flood * 2} << 0 << 10 << QList<int>{} << QStringLiteral("x") << QList<int>{}
            << lines(0, 10 + flood) + u'x' + lines(10 + flood, 10 + flood * 2);
        QTest::newRow("select all and delete with lines held")
            << QList<int>{flood * 2} << 0 << -1 << QList<int>{(Qt::CTRL | Qt::Key_A).toCombined(), Qt::Key_Delete} << QString()
            << QList<int>{} << QString();
    }
    void userEditsLandWhereMade()
    {
        QFETCH(QList<int>, before);
        QFETCH(int, queued);
        QFETCH(int, caretLine);
        QFETCH(QList<int>, keys);
        QFETCH(QString, typed);
        QFETCH(QList<int>, after);
        QFETCH(QString, expected);
        TranscriptBox box;
        box.resize(400, 300); // every line one row
        qsizetype n = feed(box, before);
        for (int i = 0; i < queued; ++i)
            box.appendLine(line(n++));
        if (caretLine >= 0) {
            box.moveCursor(QTextCursor::Start);
            for (int i = 0; i < caretLine; ++i)
                box.moveCursor(QTextCursor::Down);
        }
        for (const int key : keys) {
            const auto k = QKeyCombination::fromCombined(key);
            QTest::keyClick(&box, k.key(), k.keyboardModifiers());
        }
        QTest::keyClicks(&box, typed);
        feed(box, after, n);
        QCOMPARE(box.text(), expected);
    }

    // Ctrl+click opens the link under the pointer, as shown, and nothing
    // else opens anything; a click that opens nothing places the caret.
    void ctrlClickOpensTheLinkUnderThePointer_data()
    {
        QTest::addColumn<int>("at"); // the character under the pointer; -1 right of the first row
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("opened");
        const QString link = QStringLiteral("http://example.com/a_(b)"); // characters 4 to 27
        const auto ctrl = Qt::KeyboardModifiers(Qt::ControlModifier);
        QTest::newRow("ctrl+click on the link") << 4 << ctrl << link;
        QTest::newRow("ctrl+click on its closing parenthesis") << 27 << ctrl << link;
        QTest::newRow("plain click on the link") << 10 << Qt::KeyboardModifiers() << QString();
        QTest::newRow("ctrl+click on the full stop after it") << 28 << ctrl << QString();
        QTest::newRow("ctrl+click right of a row a link wraps out of") << -1 << ctrl << QString();
    }
    void ctrlClickOpensTheLinkUnderThePointer()
    {
        QFETCH(int, at);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, opened);
        Browser browser;
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
        const auto unset = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); });
        TranscriptBox box;
        box.resize(400, 300);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        // Too long for one row: the second link goes on in the next one.
        box.appendLine(QStringLiteral("see http://example.com/a_(b). http://example.com/") + QString(80, u'x'));
        box.appendLine(u"next");
        const QTextBlock block = box.document()->firstBlock();
        const auto caretAt = [&](int i) { QTextCursor c(block); c.setPosition(block.position() + i); return box.cursorRect(c); };
        const int rowEnd = block.layout()->lineAt(0).textLength();
        const QPoint point = at < 0 ? caretAt(rowEnd - 1).center() + QPoint(30, 0)
                                    : QPoint((caretAt(at).left() + caretAt(at + 1).left()) / 2, caretAt(at).center().y());
        QTest::mouseMove(box.viewport(), point);
        QCOMPARE(box.viewport()->cursor().shape(), at >= 4 && at <= 27 ? Qt::PointingHandCursor : Qt::IBeamCursor);
        QTest::mouseClick(box.viewport(), Qt::LeftButton, modifiers, point);
        QCOMPARE(browser.opened, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
        QCOMPARE(box.textCursor().blockNumber(), opened.isEmpty() ? 0 : 2);
    }

    // Random appends, bursts, flushes, timer ticks, reads, edits and limits,
    // checked against a plain model of the transcript.
    void matchesAPlainTranscript()
    {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QList<quint8> bytes(64);
            QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
            const QString failure = transcriptdiff::Run(bytes.constData(), size_t(bytes.size()))();
            QVERIFY2(failure.isEmpty(), qPrintable(QStringLiteral("seed %1: ").arg(seed) + failure));
        }
    }
};

QTEST_MAIN(tst_TranscriptBox)
#include "tst_transcriptbox.moc"
