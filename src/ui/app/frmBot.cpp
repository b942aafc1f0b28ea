#include "app/frmBot.h"

#include "app/Accessibility.h"
#include "app/ActionLabel.h"
#include "app/Artwork.h"
#include "app/Fonts.h"
#include "app/Palette.h"
#include "app/RoomList.h"
#include "inbound/FindBar.h"
#include "inbound/Receiver.h"
#include "inbound/RosterIndex.h"
#include "inbound/TranscriptBox.h"
#include "inbound/VisibleTextDelegate.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include <limits>

namespace {

const QColor DarkGrey(64, 64, 64);
const QColor Yellow(255, 255, 0);
const QColor BannerGrey(128, 128, 128);
const QColor Highlight(192, 64, 0);

const char *const ActionCaptions[7] = {
    "Ban Player", "Unban Player", "Rejoin", "Add in list", "Insert in Loop", "Stats", "Who is",
};

} // namespace

frmBot::frmBot(const QString &host, qint32 port, QWidget *parent)
    : QWidget(parent)
    , m_gatewayHost(host)
    , m_gatewayPort(port)
{
    app::installFontSubstitutes();
    buildControls();

    Winsock1->setRemoteHost(host);
    Winsock1->setRemotePort(port);
    m_receiver = new inbound::Receiver([this](QStringView line) { dispatch(line); }, this);
    connect(m_receiver, &inbound::Receiver::passEnded, this, &frmBot::receiverPassEnded);
    // A socket that is not open warns on every read.
    m_receiver->setSource([this](qint64 maxBytes) {
        return Winsock1->bytesAvailable() > 0 ? Winsock1->GetData(maxBytes) : QByteArray();
    });

    m_outbox.setRule(outbound::PaceRule{});
    m_paceClock.start();

    Form_Load();
    accessibility::nameAccessibly(*this);
}

frmBot::frmBot(QWidget *parent)
    : frmBot(QString(), 0, parent)
{
}

frmBot::~frmBot() = default;

void frmBot::buildControls()
{
    setObjectName(QStringLiteral("frmBot"));
    setWindowTitle(QStringLiteral("Quillon V.1.01"));
    setWindowIcon(artwork::windowIcon());
    setFixedSize(ClientWidth, ClientHeight);
    setFont(app::arial(8.25));
    app::setColours(this, DarkGrey, Qt::white);
    setAutoFillBackground(true);

    // In this order, which is also the order the controls lie on each other.
    buildButtons();
    buildTextBoxes();
    buildListAndBanner();
    buildPanel();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(0); // idle until the login gives it an interval
    Winsock1 = new Winsock(this);
    Winsock1->setObjectName(QStringLiteral("Winsock1"));
    tmrReconnect = new QTimer(this);
    tmrReconnect->setObjectName(QStringLiteral("tmrReconnect"));
    tmrReconnect->setSingleShot(true);
    tmrPace = new QTimer(this);
    tmrPace->setObjectName(QStringLiteral("tmrPace"));
    tmrPace->setSingleShot(true);
    // A coarse timer may fire a little early, and would only be set again.
    tmrPace->setTimerType(Qt::PreciseTimer);

    wireControls();
}

void frmBot::buildButtons()
{
    auto button = [this](const char *name, const QString &caption, QRect geometry) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1StringView(name));
        b->setGeometry(geometry);
        // Buttons keep the platform look rather than the window's dark colours.
        accessibility::keepPlatformLook(b);
        return b;
    };
    Connect = button("Connect", QStringLiteral("&Connect"), {8, 32, 105, 25});
    Command7 = button("Command7", QStringLiteral("Channel"), {8, 64, 105, 25});
    Quit = button("Quit", QStringLiteral("Quit"), {8, 416, 97, 33});
    cmdWhisper = button("cmdWhisper", QStringLiteral("&Whisper"), {440, 424, 65, 25});
    cmdEnter = button("cmdEnter", QStringLiteral("Menu"), {512, 424, 65, 25});
}

void frmBot::buildTextBoxes()
{
    Text2 = new TranscriptBox(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setGeometry(120, 32, 313, 385);
    app::setColours(Text2, DarkGrey, Yellow);
    Text2->setTabChangesFocus(true);
    new FindBar(Text2, this);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(120, 424, 313, 25);
    app::setColours(Text1, DarkGrey, Yellow);
    // Qt's default of 32,767 would cut a long paste without a sign; nothing
    // before the send limits the length.
    Text1->setMaxLength(std::numeric_limits<int>::max());

    // Lies over the right end of the input line, where the user looks while
    // typing, and leaves the line's own size alone.
    lblWaiting = new QLabel(this);
    lblWaiting->setObjectName(QStringLiteral("lblWaiting"));
    lblWaiting->setTextFormat(Qt::PlainText);
    lblWaiting->setAlignment(Qt::AlignCenter);
    lblWaiting->setFont(app::arial(8.25, true));
    lblWaiting->setAutoFillBackground(true);
    app::setColours(lblWaiting, Highlight, Qt::white);
    lblWaiting->setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the line
    lblWaiting->hide();
}

void frmBot::buildListAndBanner()
{
    Channel = new QLabel(QStringLiteral("Marrow Vale"), this);
    Channel->setObjectName(QStringLiteral("Channel"));
    Channel->setTextFormat(Qt::PlainText);
    Channel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    Channel->setWordWrap(true);
    Channel->setGeometry(440, 32, 145, 33);
    Channel->setFont(app::arial(12));
    Channel->setAutoFillBackground(true);
    app::setColours(Channel, BannerGrey, Qt::white);

    Roomlist = new RoomList(this);
    Roomlist->setObjectName(QStringLiteral("Roomlist"));
    Roomlist->setGeometry(448, 88, 129, 212);
    Roomlist->setSelectionMode(QAbstractItemView::MultiSelection);
    Roomlist->setFont(app::arial(8.25, true));
    Roomlist->setUniformItemSizes(true);
    Roomlist->setItemDelegate(new VisibleTextDelegate(Roomlist));
    m_roster = new RosterIndex(Roomlist);
    Roomlist->setCursor(Qt::ArrowCursor);
    app::setColours(Roomlist, DarkGrey, Qt::white);
    {
        // The list is disabled while the session is being got back: its
        // names then show as not current.
        QPalette pal = Roomlist->palette();
        pal.setColor(QPalette::Disabled, QPalette::Text, BannerGrey.lighter(125));
        Roomlist->setPalette(pal);
    }
}

void frmBot::buildPanel()
{
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setGeometry(472, 216, 110, 200);
    Picture1->setPixmap(artwork::actionPanel());
    Picture1->setFocusPolicy(Qt::TabFocus);
    Picture1->hide();
    Picture1->raise(); // lies over the lower part of the list while shown

    for (int i = 0; i < int(Label5.size()); ++i) {
        auto *label = new ActionLabel(i, QLatin1StringView(ActionCaptions[i]), Picture1);
        label->setObjectName(QStringLiteral("Label5_%1").arg(i));
        label->setGeometry(16, 24 + 24 * i, 81, 17);
        label->setFont(app::msSansSerif(8.25, true));
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, Highlight);
        pal.setColor(QPalette::WindowText, Qt::white);
        label->setPalette(pal);
        label->setBackStyle(ActionLabel::Transparent);
        Label5[size_t(i)] = label;
    }
}

void frmBot::wireControls()
{
    setTabOrder(Connect, Text1);
    setTabOrder(Text1, cmdEnter);
    setTabOrder(cmdEnter, cmdWhisper);
    setTabOrder(cmdWhisper, Quit);
    setTabOrder(Quit, Text2);
    setTabOrder(Text2, Picture1);
    setTabOrder(Picture1, Command7);
    setTabOrder(Command7, Roomlist);
    Connect->setFocus();

    connect(Connect, &QPushButton::clicked, this, &frmBot::Connect_Click);
    connect(Command7, &QPushButton::clicked, this, &frmBot::Command7_Click);
    connect(cmdEnter, &QPushButton::clicked, this, &frmBot::cmdEnter_Click);
    connect(cmdWhisper, &QPushButton::clicked, this, &frmBot::cmdWhisper_Click);
    connect(Quit, &QPushButton::clicked, this, &frmBot::Quit_Click);
    for (ActionLabel *label : Label5) {
        connect(label, &ActionLabel::clicked, this, &frmBot::Label5_Click);
        connect(label, &ActionLabel::mouseMoved, this, &frmBot::Label5_MouseMove);
    }
    connect(Timer1, &QTimer::timeout, this, &frmBot::Timer1_Timer);
    connect(Winsock1, &Winsock::DataArrival, this, &frmBot::Winsock1_DataArrival);
    // Queued: the socket may say so from inside a write of the queue's.
    connect(Winsock1, &Winsock::connectionEnded, this, &frmBot::Winsock1_Close, Qt::QueuedConnection);
    connect(Winsock1, &Winsock::attemptEnded, this, &frmBot::Winsock1_Ended, Qt::QueuedConnection);
    connect(tmrPace, &QTimer::timeout, this, &frmBot::tmrPace_Timer);
    connect(tmrReconnect, &QTimer::timeout, this, &frmBot::tmrReconnect_Timer);
    Text1->installEventFilter(this);
    Text2->installEventFilter(this);
    wireTranscript();
}

void frmBot::Form_Load()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    move(screen ? screen->geometry().topLeft() : QPoint(0, 0));
    setcdefaults();
}

void frmBot::setcdefaults()
{
    // Kept as the hook for defaults; there is nothing to restore yet.
}

void frmBot::cmdEnter_Click()
{
    Picture1->setVisible(!Picture1->isVisible());
}

void frmBot::Quit_Click()
{
    // Ends at once: no confirmation, nothing sent.
    QCoreApplication::exit(0);
}

void frmBot::setMousePointer(int pointer)
{
    m_mousePointer = pointer;
    switch (pointer) {
    case PointerArrow: setCursor(Qt::ArrowCursor); break;
    case PointerHourglass: setCursor(Qt::WaitCursor); break;
    default: unsetCursor(); break;
    }
}

bool frmBot::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == Text1 || watched == Text2)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (watched == Text1
            && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down || key->key() == Qt::Key_Escape)) {
            int code = key->key();
            Text1_KeyDown(code, key->modifiers());
            if (code == 0)
                return true;
        }
        int ascii = (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) ? 13 : 0;
        if (ascii == 13) {
            if (watched == Text1)
                Text1_KeyPress(ascii);
            else
                Text2_KeyPress(ascii);
            return ascii == 0; // a handler that cleared the key swallowed it
        }
    }
    return QWidget::eventFilter(watched, event);
}
