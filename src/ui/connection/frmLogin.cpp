#include "connection/frmLogin.h"

#include "app/Accessibility.h"
#include "app/Fonts.h"
#include "app/Palette.h"
#include "app/frmBot.h"
#include "connection/Globals.h"
#include "connection/LoginArtwork.h"
#include "connection/Notice.h"
#include "protocol/OutboundLines.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QScreen>
#include <QValidator>

#include <limits>

namespace {

const char *const PasswordFreeNames[4] = {"Wayfarers", "wayfarers", "Nomad", "nomad"};

// Masks the password with "*" whatever the platform's own mask character.
class StarMaskStyle : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Qt's single-line boxes keep a CR or LF that comes in by paste or drop, and
// one in the name or the password would split the handshake: the service
// would read the rest as chat. A password is usually copied with the line
// break after it, which is dropped; any other break becomes a blank.
class OneLine : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override
    {
        // Every earlier change went through here, so only what was just
        // put in can hold a break, and the caret stands at its end.
        const QStringView put = QStringView(input).first(pos);
        const int lineEnd = put.endsWith(u"\r\n") ? 2 : (put.endsWith(u'\n') || put.endsWith(u'\r')) ? 1 : 0;
        pos -= lineEnd;
        input.remove(pos, lineEnd);
        input = wire::oneLine(input);
        return Acceptable;
    }
};

} // namespace

frmLogin::frmLogin(frmBot &owner)
    : QDialog(nullptr) // no owner window: it is centred on the screen, not on the main window
    , m_owner(&owner)
    , m_background(artwork::loginBackground())
{
    buildControls();
    accessibility::nameAccessibly(*this);
}

void frmLogin::buildControls()
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("MARROW VALE LOGIN"));
    // A fixed frame with a close button only; no icon of its own.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(ClientWidth, ClientHeight);
    setFont(app::msSansSerif(9.75, true));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);

    auto label = [this](const char *name, const QString &text, QRect geometry, Qt::Alignment align) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QLatin1StringView(name));
        l->setTextFormat(Qt::PlainText);
        l->setAlignment(align);
        l->setGeometry(geometry);
        return l;
    };
    auto box = [this](const char *name, QRect geometry) {
        auto *b = new QLineEdit(this);
        b->setObjectName(QLatin1StringView(name));
        b->setGeometry(geometry);
        b->setTextMargins(0, 0, 0, 0);
        app::setColours(b, Qt::black, Qt::white, app::Roles::Field);
        b->setValidator(new OneLine(b));
        b->setMaxLength(std::numeric_limits<int>::max()); // neither box limits its length
        return b;
    };

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setTextFormat(Qt::PlainText);
    Image1->setGeometry(88, 16, 178, 23);
    Image1->setPixmap(artwork::loginBanner());

    const Qt::Alignment topLeft = Qt::AlignLeft | Qt::AlignTop;
    const Qt::Alignment topCentre = Qt::AlignHCenter | Qt::AlignTop;
    label4 = label("label4", QStringLiteral("User Name:"), {64, 56, 89, 17}, topLeft);
    UserNamet = box("UserNamet", {72, 80, 201, 19});
    lable5 = label("lable5", QStringLiteral("Password:"), {64, 112, 97, 17}, topLeft);
    Passwordt = box("Passwordt", {72, 144, 209, 19});
    auto *mask = new StarMaskStyle;
    mask->setParent(Passwordt);
    Passwordt->setStyle(mask);
    Passwordt->setEchoMode(QLineEdit::Password);
    Login = label("Login", QStringLiteral("Login"), {96, 224, 153, 17}, topCentre);
    Quit = label("Quit", QStringLiteral("Quit"), {96, 272, 161, 25}, topCentre);
    Login->installEventFilter(this);
    Quit->installEventFilter(this);

    setTabOrder(UserNamet, Passwordt);
    UserNamet->setFocus();

    centreOnScreen();
}

void frmLogin::centreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Our own frame is not known before the window manager has framed us;
    // the main window's frame is the best guess for it.
    QSize frame(0, 0);
    if (m_owner && m_owner->isVisible())
        frame = m_owner->frameGeometry().size() - m_owner->size();
    const QSize outer = size() + frame;
    const QPoint centre = screen->availableGeometry().center();
    move(centre.x() - outer.width() / 2, centre.y() - outer.height() / 2);
}

bool frmLogin::isPasswordFree(const QString &userName)
{
    for (const char *name : PasswordFreeNames)
        if (userName == QLatin1StringView(name))
            return true;
    return false;
}

void frmLogin::Login_Click()
{
    // The login yields to pending events; a second click waiting there must
    // not send the handshake twice.
    if (m_loggingIn)
        return;
    const QString name = UserNamet->text();
    if (name.isEmpty()) {
        notice::show(this, notice::NoUserName);
        return;
    }
    UserName = name;
    Password = Passwordt->text();
    if (!isPasswordFree(UserName) && Password.isEmpty()) {
        notice::show(this, notice::NoPassword);
        return;
    }
    m_loggingIn = true;
    if (m_owner)
        m_owner->ProceedLogin();
    accept();
}

void frmLogin::Quit_Click()
{
    if (m_loggingIn)
        return; // the login already under way unloads the dialog
    reject();
}

bool frmLogin::eventFilter(QObject *watched, QEvent *event)
{
    // The two labels act as buttons: a press and release over one clicks it.
    if (event->type() == QEvent::MouseButtonRelease && (watched == Login || watched == Quit)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto *label = static_cast<QLabel *>(watched);
        if (mouse->button() == Qt::LeftButton && label->rect().contains(mouse->position().toPoint())) {
            if (watched == Login)
                Login_Click();
            else
                Quit_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmLogin::keyPressEvent(QKeyEvent *event)
{
    // No keyboard shortcuts: Enter does not log in and Escape does not close.
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

void frmLogin::paintEvent(QPaintEvent *)
{
    // Unscaled from the top-left; what lies past the client area is cut off.
    QPainter p(this);
    p.drawPixmap(0, 0, m_background);
}
