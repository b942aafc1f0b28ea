#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Watches every message box the program opens: notes each one's text and
// the window it belongs to once, checks its form, counts how many are open
// at once, and presses OK once a box has been open for holdMs.
class NoticeWatcher : public QObject
{
public:
    explicit NoticeWatcher(int holdMs = 0)
        : m_holdMs(holdMs)
    {
        m_clock.start();
        m_poll.setInterval(5);
        connect(&m_poll, &QTimer::timeout, this, &NoticeWatcher::look);
        m_poll.start();
    }

    QStringList texts;
    QList<QPointer<QWidget>> parents; // one per text, the box's parent window
    int mostOpenAtOnce = 0;
    bool wellFormed = true;
    // Runs from the event loop of each box that opens.
    std::function<void()> onOpen;

    // How many of the boxes seen so far belonged to window w.
    qsizetype countFor(const QWidget *w) const
    {
        qsizetype n = 0;
        for (const auto &p : parents)
            n += p == w;
        return n;
    }

private:
    void look()
    {
        int open = 0;
        const auto windows = QApplication::topLevelWidgets();
        for (QWidget *w : windows) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible())
                continue;
            ++open;
            if (!box->property("openedAt").isValid()) {
                box->setProperty("openedAt", m_clock.elapsed());
                texts << box->text();
                parents << box->parentWidget();
                if (onOpen)
                    QTimer::singleShot(0, box, onOpen);
                wellFormed = wellFormed && box->windowTitle() == QStringLiteral("Quillon")
                    && box->textFormat() == Qt::PlainText
                    && box->standardButtons() == QMessageBox::Ok && box->buttons().size() == 1;
            }
            if (m_clock.elapsed() - box->property("openedAt").toLongLong() >= m_holdMs)
                box->button(QMessageBox::Ok)->click();
        }
        mostOpenAtOnce = qMax(mostOpenAtOnce, open);
    }

    int m_holdMs;
    QElapsedTimer m_clock;
    QTimer m_poll;
};
