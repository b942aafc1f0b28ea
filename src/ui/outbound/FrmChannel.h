#pragma once

#include <QDialog>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

class frmBot;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

// The channel picker: a fixed list of the service's public channels and a
// name box; "ok" sends the channel command through the main window's
// composer. Shown modally and thrown away afterwards, so every showing
// starts empty.
class FrmChannel : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 475;
    static constexpr int ClientHeight = 259;

    explicit FrmChannel(frmBot *main);

    static QStringList channelNames();
    // 480 x 260 in 256 colours; drawn unscaled, so its right and bottom
    // edges are cut off by the client area.
    static QPixmap backgroundPicture();

    QLabel *Label1;
    QLabel *Label2;
    QLineEdit *txtchannel;
    QListWidget *List1;
    QPushButton *Command1;
    QPushButton *Command2;

    void List1_Click();
    void Command1_Click();
    void Command2_Click();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<frmBot> m_main;
    QPixmap m_picture;
};
