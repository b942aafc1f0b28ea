#pragma once

// The controls keep the short names the protocol's handlers grew up with;
// what each one is:
//   Text2       the transcript (read-only, received and echoed lines)
//   Text1       the input line the user types into
//   Channel     the banner naming the current channel and its head count
//   Roomlist    the user list
//   Command7    the channel button: opens the channel picker
//   cmdEnter    the "Menu" button: shows or hides the action panel
//   cmdWhisper  whispers the input line to the current Roomlist entry
//   Picture1    the action panel
//   Label5      the action panel's clickable labels, one per action
//   Timer1      the connection watchdog
//   Winsock1    the socket to the gateway
//   tmrPace     wakes the outbound queue when its next line is due
//   lblWaiting  how many lines wait in the outbound queue, over Text1's end

#include "connection/Winsock.h"
#include "outbound/InputHistory.h"
#include "outbound/OutboundQueue.h"
#include "outbound/SentWhispers.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <optional>

class ActionLabel;
class RosterIndex;
class TranscriptBox;
namespace inbound {
class Receiver;
}

// The main window: every control of the client and the handlers of their
// events. Handler bodies live with the subsystem that owns them
// (connection/, inbound/, outbound/).
class frmBot : public QWidget
{
    Q_OBJECT
public:
    // Mouse pointer values the window uses.
    enum Pointer { PointerDefault = 0, PointerArrow = 1, PointerHourglass = 11 };

    static constexpr int ClientWidth = 593;
    static constexpr int ClientHeight = 457;
    static inline const QString GatewayPort = QStringLiteral("6112");

    // Connect goes to this gateway: the program passes the host fixed at
    // build time and GatewayPort, tests a loopback gateway of their own.
    frmBot(const QString &host, qint32 port, QWidget *parent = nullptr);
    // A window with no gateway, for what needs only the window: Connect
    // then opens the login dialog but no connection.
    explicit frmBot(QWidget *parent = nullptr);
    ~frmBot() override;

    // Public operations used by the dialogs.
    void ProceedLogin();
    // Queues what the input line means and sends what the pacing lets go
    // now; each line is echoed once it is written. False when nothing could
    // be queued, for want of a connection; the input line then keeps its text.
    bool Send_Click();
    // The one way a built command goes out, for the action panel, the
    // whisper button and the channel picker: it replaces the input line's
    // text and runs Send_Click. False when nothing was queued; the input
    // line then has back what the user had typed.
    bool SendCommand(const QString &command);
    // How sent lines are paced; no rule sends every line at once, uncut.
    // The default is the usual servers' rule.
    void setPacing(std::optional<outbound::PaceRule> rule, qint64 marginMs = outbound::DefaultMarginMs);
    qsizetype waitingLines() const { return m_outbox.waiting(); }
    void setcdefaults();

    int MousePointer() const { return m_mousePointer; }
    void setMousePointer(int pointer);

    // Controls.
    QPushButton *Connect;
    QPushButton *Command7;
    QPushButton *Quit;
    TranscriptBox *Text2;
    QLineEdit *Text1;
    QLabel *Channel;
    QListWidget *Roomlist;
    QLabel *Picture1;
    std::array<ActionLabel *, 7> Label5;
    QPushButton *cmdWhisper;
    QPushButton *cmdEnter;
    QTimer *Timer1;
    Winsock *Winsock1;
    QTimer *tmrPace;
    QLabel *lblWaiting;

    // Name of the channel shown in the banner.
    QString CurrentChannel;

    // Event handlers, named after their control and event.
    void Form_Load();
    void cmdEnter_Click();
    void Quit_Click();
    void Connect_Click();
    void Timer1_Timer();
    void Command7_Click();
    void cmdWhisper_Click();
    void Label5_Click(int index);
    void Label5_MouseMove(int index, Qt::MouseButtons button, Qt::KeyboardModifiers shift, int x, int y);
    void Text1_KeyPress(int &keyAscii);
    // Keys that are not characters, with Qt's key code, which the handler
    // sets to 0 when it has used the key: Up and Down walk the input history,
    // Escape takes back the lines that still wait.
    void Text1_KeyDown(int &keyCode, Qt::KeyboardModifiers shift);
    void Text2_KeyPress(int &keyAscii);
    void Winsock1_DataArrival(qint64 bytesTotal);
    void Winsock1_Close();
    void tmrPace_Timer();

    // Both hand over to the receive engine, which cuts what arrives into
    // lines and passes each to dispatch().
    void ParseData();
    inbound::Receiver &receiver() { return *m_receiver; }
    // Calls the handler the line's code names; the receiver's sink.
    void dispatch(QStringView line);
    void OnUser(QStringView line);
    void OnJoin(QStringView line);
    void OnLeave(QStringView line);
    void OnWhisper(QStringView line);
    void OnTalk(QStringView line);
    void OnChannel(QStringView line);
    void OnInfo(QStringView line);
    void OnEmote(QStringView line);
    void OnError(QStringView line);
    void OnBroadcast(QStringView line);      // 1006
    void OnUserFlags(QStringView line);      // 1009
    void OnWhisperSent(QStringView line);    // 1010
    void OnChannelRefused(QStringView line); // 1013, 1014, 1015
    void OnName(QStringView line);           // 2010
    void OnUnknown(QStringView line);        // a code we do not know
    void OnUncoded(QStringView line);        // a line without a code

    // The name the server knows the user by: UserName as typed, until the
    // server says otherwise. Echoes and mentions use it.
    const QString &ownName() const;

signals:
    // Each line the receiver cut, before it is dispatched.
    void lineCut(QStringView line);
    // The desktop was asked to draw the user's eye to the window.
    void attentionAsked();
    // The server refused the login, in its words.
    void loginRefused(const QString &words);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildButtons();
    void buildTextBoxes();
    void buildListAndBanner();
    void buildPanel();
    void wireControls();
    void rewriteBanner();
    // A new connection was started: it has had no login yet, and nothing
    // half-received from the last one belongs to it.
    void startedConnection();
    // Hands what the socket holds to the receiver before a new connection
    // would drop it.
    void takeUnread();
    void giveTimeToConnect();
    // A whisper or a line naming the user was shown; while no window of the
    // program is active, the end of the receiver's pass asks for attention.
    void noteWhisper();
    void noteChat(QStringView text);
    void receiverPassEnded();
    // Writes every waiting line that is due, then sets tmrPace for the next.
    void sendWaiting();
    // Empties the queue and puts the text of what waited back into the
    // input line, before what is there now.
    void giveBackWaiting(const QString &notice);
    void showWaiting();

    int m_mousePointer = PointerDefault;
    // Where Connect goes, fixed when the window is made.
    QString m_gatewayHost;
    qint32 m_gatewayPort = 0;
    bool m_lostNoticeOpen = false; // the watchdog shows one notice at a time
    bool m_loginSent = false; // the current connection has had its login
    bool m_loginAnswered = false; // and the server has sent a coded line since
    QString m_serverName; // null until the server names the user
    outbound::SentWhispers m_whispers;
    int m_highlighted = 0; // the action label lit last
    InputHistory m_history;
    OutboundQueue m_outbox;
    QElapsedTimer m_paceClock;
    // Attention for the receiver's current batch, from its first pass until
    // it has nothing left: one alert, and no more searching once wanted.
    enum class Attention { None, Wanted, Asked };
    Attention m_attention = Attention::None;

    inbound::Receiver *m_receiver = nullptr;
    RosterIndex *m_roster = nullptr; // finds Roomlist entries by name
};
