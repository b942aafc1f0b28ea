#include "inbound/FindBar.h"
#include "inbound/TranscriptBox.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

namespace {
// The main window in small: the transcript, the input line and the bar.
struct Window
{
    QWidget w;
    TranscriptBox *box = new TranscriptBox(&w);
    QLineEdit *input = new QLineEdit(&w);
    FindBar *bar = new FindBar(box, &w);
    QLineEdit *field = bar->findChild<QLineEdit *>(QStringLiteral("findField"));

    Window()
    {
        box->setGeometry(0, 0, 300, 300);
        input->setGeometry(0, 310, 300, 25);
        w.resize(300, 340);
        w.show();
        w.activateWindow();
    }
    // Ctrl+F from wherever the focus is, then Enter (or Shift+Enter) per letter.
    void find(const QString &text, const QString &presses)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::ControlModifier);
        field->setText(text);
        for (const QChar p : presses)
            QTest::keyClick(field, Qt::Key_Return, p == u'p' ? Qt::ShiftModifier : Qt::NoModifier);
    }
    bool matchInView() const { return box->viewport()->rect().contains(box->cursorRect()); }
    QString topLine() const { return box->cursorForPosition(QPoint(0, 0)).block().text(); }
};
} // namespace

class tst_FindBar : public QObject
{
    Q_OBJECT
private slots:
    void finds_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("presses"); // n: Enter, p: Shift+Enter
        QTest::addColumn<bool>("fromTranscript");
        QTest::addColumn<int>("line"); // of the match; -1 none
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("status");
        const QStringList beta{"alpha", "beta one", "gamma", "Beta two"};
        QTest::newRow("next") << beta << "beta" << "nn" << false << 3 << "Beta" << "";
        QTest::newRow("previous") << beta << "beta" << "pp" << false << 1 << "beta" << "";
        QTest::newRow("wraps to the top") << beta << "beta" << "nnn" << false << 1 << "beta" << "";
        QTest::newRow("wraps to the end") << beta << "beta" << "ppp" << true << 3 << "Beta" << "";
        QTest::newRow("back again") << beta << "beta" << "nnp" << true << 1 << "beta" << "";
        QTest::newRow("any case, any script") << QStringList{"Привет мир", "ПРИВЕТ 🙂 снова"} << "привет 🙂" << "n"
                                              << false << 1 << "ПРИВЕТ 🙂" << "";
        QTest::newRow("no match") << beta << "delta" << "n" << true << -1 << "" << "No match";
    }
    void finds()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, text);
        QFETCH(QString, presses);
        QFETCH(bool, fromTranscript);
        QFETCH(int, line);
        QFETCH(QString, status);
        Window t;
        for (const QString &l : lines)
            t.box->appendLine(l);
        QWidget *before = fromTranscript ? static_cast<QWidget *>(t.box) : t.input;
        before->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&t.w));
        t.find(text, presses);
        QVERIFY(t.field->hasFocus());

        const QTextCursor c = t.box->textCursor();
        QCOMPARE(c.hasSelection() ? c.block().blockNumber() : -1, line);
        QTEST(c.selectedText(), "selected");
        auto *label = t.bar->findChild<QLabel *>();
        QCOMPARE(label->text(), status);
        QCOMPARE(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name), status);
        const QString described = QAccessible::queryAccessibleInterface(t.field)->text(QAccessible::Description);
        QVERIFY(described.startsWith(status)); // read out where the user types

        QTest::keyClick(t.field, Qt::Key_Escape);
        QVERIFY(before->hasFocus());
        QVERIFY(t.bar->isHidden());
    }

    // A flood while the field is open: the match stays selected and in
    // view, with the oldest lines trimmed above it, and no line is lost.
    void matchStaysThroughFlood_data()
    {
        QTest::addColumn<int>("batch");
        QTest::newRow("one burst") << 2000;
        QTest::newRow("small batches") << 50;
        QTest::newRow("a line at a time") << 1;
    }
    void matchStaysThroughFlood()
    {
        QFETCH(int, batch);
        Window t;
        t.box->setLineLimit(7500);
        for (int i = 0; i < 6000; ++i)
            t.box->appendLine(i == 1000 ? QStringLiteral("the needle line") : QStringLiteral("line %1").arg(i));
        t.input->setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&t.w));
        t.find(QStringLiteral("NEEDLE"), QStringLiteral("n"));
        QCOMPARE(t.box->textCursor().selectedText(), QStringLiteral("needle"));
        QVERIFY(t.matchInView());
        const QString top = t.topLine();

        for (int sent = 0; sent < 2000;) {
            for (const int end = sent + batch; sent < end; ++sent)
                t.box->appendLine(QStringLiteral("flood %1").arg(sent));
            t.box->flush();
        }
        QTRY_COMPARE(t.box->linesWaiting(), 0);
        QTest::qWait(50);

        const QTextCursor c = t.box->textCursor();
        QCOMPARE(c.selectedText(), QStringLiteral("needle"));
        QCOMPARE(c.block().text(), QStringLiteral("the needle line"));
        QCOMPARE(t.topLine(), top);
        QVERIFY(t.matchInView());
        QCOMPARE_LT(t.box->verticalScrollBar()->value(), t.box->verticalScrollBar()->maximum());
        QCOMPARE(t.box->lineCount(), 7500);
        QCOMPARE(t.box->document()->lastBlock().previous().text(), QStringLiteral("flood 1999"));
    }
};

QTEST_MAIN(tst_FindBar)
#include "tst_findbar.moc"
