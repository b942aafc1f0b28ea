#include "outbound/FrmChannel.h"

#include "app/Accessibility.h"
#include "app/Fonts.h"
#include "app/Palette.h"
#include "app/frmBot.h"
#include "outbound/ChannelArtwork.h"
#include "outbound/SendNotice.h"
#include "protocol/OutboundLines.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>

#include <limits>

namespace {

const QColor Rust(128, 64, 0); // the buttons, as the picture's plates

QLabel *label(const QString &caption, QRect geometry, const QFont &font, QWidget *parent)
{
    auto *l = new QLabel(caption, parent);
    l->setTextFormat(Qt::PlainText);
    l->setGeometry(geometry);
    l->setFont(font);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, Qt::white);
    l->setPalette(pal);
    return l; // no auto-fill: the picture shows through
}

} // namespace

FrmChannel::FrmChannel(frmBot *main)
    : QDialog(main)
    , m_main(main)
    , m_picture(backgroundPicture())
{
    setObjectName(QStringLiteral("FrmChannel"));
    setWindowTitle(QStringLiteral("Channel"));
    setFixedSize(ClientWidth, ClientHeight);
    setFont(app::msSansSerif(8.25));

    Label1 = label(QStringLiteral("Channel"), {88, 8, 57, 17}, app::msSansSerif(9.75, true), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = label(QStringLiteral("Channel Name :"), {312, 64, 105, 17}, app::msSansSerif(8.25, true), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    txtchannel = new QLineEdit(this);
    txtchannel->setObjectName(QStringLiteral("txtchannel"));
    txtchannel->setGeometry(320, 88, 137, 19);
    txtchannel->setFont(app::msSansSerif(8.25, true));
    txtchannel->setMaxLength(std::numeric_limits<int>::max()); // a long name goes out whole
    app::setColours(txtchannel, Qt::black, Qt::white);

    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setGeometry(16, 40, 209, 196);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setFont(app::msSansSerif(9.75, true));
    app::setColours(List1, Qt::black, Qt::white);
    List1->addItems(channelNames());

    auto button = [this](const char *name, const QString &caption, QRect geometry) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QLatin1StringView(name));
        b->setGeometry(geometry);
        QPalette pal = b->palette();
        pal.setColor(QPalette::Button, Rust);
        b->setPalette(pal);
        return b;
    };
    Command1 = button("Command1", QStringLiteral("ok"), {336, 232, 57, 17});
    Command2 = button("Command2", QStringLiteral("Quit"), {408, 232, 57, 17});
    // Enter in the name box means "ok", as in any dialog.
    Command1->setDefault(true);

    setTabOrder(txtchannel, List1);
    setTabOrder(List1, Command1);
    setTabOrder(Command1, Command2);
    txtchannel->setFocus();

    // A pick is a change of the selected entry, by mouse or by keyboard, or
    // a click on the entry already picked after the box was edited. Tabbing
    // into the list only moves its focus frame and must not overwrite a
    // typed name.
    connect(List1, &QListWidget::itemSelectionChanged, this, &FrmChannel::List1_Click);
    connect(List1, &QListWidget::itemClicked, this, &FrmChannel::List1_Click);
    connect(Command1, &QPushButton::clicked, this, &FrmChannel::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmChannel::Command2_Click);
    accessibility::nameAccessibly(*this);
}

QStringList FrmChannel::channelNames()
{
    return QStringList() << QStringLiteral("Blizzard Tech Support") << QStringLiteral("Open Tech Support")
                         << QStringLiteral("PGL Info") << QStringLiteral("PGL Competition")
                         << QStringLiteral("Blizzard Chat 1") << QStringLiteral("Blizzard Chat 2")
                         << QStringLiteral("Blizzard Chat 3") << QStringLiteral("Blizzard Chat 4")
                         << QStringLiteral("Blizzard Chat 5") << QStringLiteral("Blizzard Chat 6")
                         << QStringLiteral("Starcraft CAN-1") << QStringLiteral("Opponents Wanted")
                         << QStringLiteral("Clan Recruitement") << QStringLiteral("Terran Strategy")
                         << QStringLiteral("Custom Maps");
}

void FrmChannel::List1_Click()
{
    const QListWidgetItem *picked = List1->currentItem();
    if (picked && picked->isSelected())
        txtchannel->setText(picked->text());
}

void FrmChannel::Command1_Click()
{
    if (!m_main) {
        reject();
        return;
    }
    // A failed send leaves the picker open, so the user can try again or quit.
    if (m_main->SendCommand(wire::channelCommand(txtchannel->text())))
        accept();
    else
        outbound::tellNothingSent(Command1);
}

void FrmChannel::Command2_Click()
{
    reject();
}

void FrmChannel::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, m_picture);
}

QPixmap FrmChannel::backgroundPicture()
{
    return artwork::channelBackground();
}
