#include "app/Accessibility.h"

#include "app/ActionLabel.h"
#include "app/frmBot.h"
#include "connection/frmLogin.h"
#include "inbound/TranscriptBox.h"
#include "outbound/FrmChannel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <functional>

namespace {

const char *const ActionDescriptions[7] = {
    "Bans the current user in the list",
    "Lifts the ban on the current user in the list",
    "Leaves the channel and joins it again",
    "Does nothing",
    "Does nothing",
    "Asks for the current user's statistics",
    "Asks who the current user in the list is",
};

// A label that acts as a button. It has no keyboard focus to press it with,
// so a screen reader gets a press action instead.
class PressableLabel : public QAccessibleWidget
{
public:
    PressableLabel(QLabel *label, std::function<void()> press)
        : QAccessibleWidget(label, QAccessible::Button)
        , m_press(std::move(press))
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const QLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return QStringList{pressAction()} + QAccessibleWidget::actionNames(); }

    void doAction(const QString &action) override
    {
        if (action != pressAction()) {
            QAccessibleWidget::doAction(action);
            return;
        }
        // Run from the event loop, as a click is: the screen reader's call
        // must not wait on a login that yields or a message box that opens.
        QMetaObject::invokeMethod(widget(), m_press, Qt::QueuedConnection);
    }

private:
    std::function<void()> m_press;
};

// The channel banner: named "Channel", its caption is its value and its
// text, so the name stays put while what it reads changes. The caption is
// read whole even when the banner shows it cut.
class Banner : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit Banner(QLabel *banner)
        : QAccessibleWidget(banner, QAccessible::StaticText)
        , m_caption(banner->text())
        , m_told(m_caption)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? caption() : QAccessibleWidget::text(t);
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    // A channel of thousands joining rewrites the caption for every one of
    // them; a screen reader hears the caption it ends up with.
    void captionChanged(const QString &caption)
    {
        m_caption = caption;
        if (m_pending)
            return;
        m_pending = true;
        QTimer::singleShot(0, widget(), [this] { tell(); });
    }

    // Text interface over the caption, which cannot be selected or edited.
    void selection(int, int *startOffset, int *endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        const QString all = caption();
        startOffset = qBound(0, startOffset, int(all.size()));
        endOffset = endOffset < 0 ? int(all.size()) : qBound(startOffset, endOffset, int(all.size()));
        return all.mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(caption().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    QString caption() const { return m_caption; }

    void tell()
    {
        m_pending = false;
        const QString now = caption();
        if (now == m_told)
            return;
        // A text change, as a label whose name is its text would report.
        // Not a value change: that is for widgets with a numeric value, and
        // the AT-SPI bridge warns about any other.
        if (QAccessible::isActive()) {
            QAccessibleTextUpdateEvent changed(widget(), 0, m_told, now);
            QAccessible::updateAccessibility(&changed);
        }
        m_told = now;
    }

    QString m_caption;
    QString m_told; // the caption a screen reader last heard of
    bool m_pending = false;
};

const QString MessageDescription =
    QStringLiteral("Enter sends it to the users selected in the list, or to the channel when none is; "
                   "a line that begins with a slash is a command");

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (className != QLatin1StringView("ActionLabel"))
        return nullptr;
    auto *label = qobject_cast<ActionLabel *>(object);
    if (!label)
        return nullptr;
    // The signal a mouse click sends, so the press takes the click's path.
    return new PressableLabel(label, [label] { emit label->clicked(label->index()); });
}

// Puts our interface in the place of the one Qt made while the widget was
// built; Qt keeps it until the widget goes.
void adopt(QWidget *widget, QAccessibleInterface *ours)
{
    if (QAccessibleInterface *made = QAccessible::queryAccessibleInterface(widget))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(made));
    QAccessible::registerAccessibleInterface(ours);
}

void describe(QWidget *w, const QString &name, const QString &description = {})
{
    if (!name.isEmpty())
        w->setAccessibleName(name);
    if (!description.isEmpty())
        w->setAccessibleDescription(description);
}

// Qt asks for a widget's interface as soon as the widget sets its text and
// keeps the first answer, so the factory is in place before any window is
// built. Installing it twice would change nothing.
void installFactory()
{
    QAccessible::installFactory(factory);
}
Q_CONSTRUCTOR_FUNCTION(installFactory)

} // namespace

namespace accessibility {

void nameAccessibly(frmBot &w)
{
    adopt(&w, new QAccessibleWidget(&w, QAccessible::Window));

    // Buttons are named by their captions.
    describe(w.Connect, {}, QStringLiteral("Connects and opens the login dialog"));
    describe(w.Command7, {}, QStringLiteral("Opens the channel picker"));
    describe(w.Quit, {}, QStringLiteral("Ends the program"));
    describe(w.cmdWhisper, {}, QStringLiteral("Whispers the message to the current user in the list"));
    describe(w.cmdEnter, {}, QStringLiteral("Shows or hides the actions"));

    describe(w.Text2, QStringLiteral("Transcript"), QStringLiteral("What is said in the channel, newest last"));
    describe(w.Text1, QStringLiteral("Message"), MessageDescription);
    describe(w.lblWaiting, {}, QStringLiteral("Escape in the message takes them back"));
    describe(w.Roomlist, QStringLiteral("Users in channel"),
             QStringLiteral("Selected users get the message as a whisper"));

    describe(w.Channel, QStringLiteral("Channel"));
    adopt(w.Channel, new Banner(w.Channel));

    describe(w.Picture1, QStringLiteral("Actions"), QStringLiteral("Actions on the current user in the list"));
    adopt(w.Picture1, new QAccessibleWidget(w.Picture1, QAccessible::Grouping));
    for (size_t i = 0; i < w.Label5.size(); ++i)
        describe(w.Label5[i], {}, QLatin1StringView(ActionDescriptions[i]));
}

void nameAccessibly(frmLogin &d)
{
    describe(d.Image1, QStringLiteral("Marrow Vale login"));
    describe(d.UserNamet, QStringLiteral("User name"));
    describe(d.Passwordt, QStringLiteral("Password"));
    // The dialog has no buttons to tab to; these two labels are its buttons.
    frmLogin *dialog = &d;
    describe(d.Login, {}, QStringLiteral("Logs in with this name and password"));
    adopt(d.Login, new PressableLabel(d.Login, [dialog] { dialog->Login_Click(); }));
    describe(d.Quit, {}, QStringLiteral("Closes the dialog without logging in"));
    adopt(d.Quit, new PressableLabel(d.Quit, [dialog] { dialog->Quit_Click(); }));
}

void nameAccessibly(FrmChannel &d)
{
    describe(d.txtchannel, QStringLiteral("Channel name"), QStringLiteral("ok joins the channel of this name"));
    describe(d.List1, QStringLiteral("Public channels"), QStringLiteral("Picking one puts its name in the box"));
    describe(d.Command1, {}, QStringLiteral("Joins the channel named in the box"));
    describe(d.Command2, {}, QStringLiteral("Closes the dialog without changing channel"));
}

void setBannerText(QLabel *banner, const QString &caption, const QString &shown)
{
    banner->setText(shown);
    // A tooltip that looks like markup is read as markup, so the caption
    // goes in as escaped rich text; pre-wrap keeps its double blank.
    const QString tip = shown == caption ? QString()
        : QStringLiteral("<p style=\"white-space:pre-wrap\">") + caption.toHtmlEscaped() + QStringLiteral("</p>");
    if (banner->toolTip() != tip)
        banner->setToolTip(tip);
    if (auto *told = dynamic_cast<Banner *>(QAccessible::queryAccessibleInterface(banner)))
        told->captionChanged(caption);
}

void tellWaiting(frmBot &w, qsizetype lines)
{
    const QString told = lines == 0 ? QString()
        : lines == 1             ? QStringLiteral("1 line waits to be sent")
                                 : QStringLiteral("%1 lines wait to be sent").arg(lines);
    // Set only on a change: each one is announced.
    if (w.lblWaiting->accessibleName() != told)
        w.lblWaiting->setAccessibleName(told);
    const QString description =
        told.isEmpty() ? MessageDescription : told + QStringLiteral("; Escape takes them back. ") + MessageDescription;
    if (w.Text1->accessibleDescription() != description)
        w.Text1->setAccessibleDescription(description);
}

void keepPlatformLook(QWidget *button)
{
    QPalette pal = QApplication::palette(button);
    // Every role counts as set, so none is taken from the window.
    pal.setResolveMask(~QPalette::ResolveMask(0));
    button->setPalette(pal);
}

} // namespace accessibility
