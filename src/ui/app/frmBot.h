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
//   tmrReconnect  starts the next try to get back after a lost connection

#include "connection/Reconnect.h"
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
class ChatLog;
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
    // Whether a lost session is got back by itself (on by default), and by
    // what rule; off, a loss brings the notice at every watchdog tick.
    void setReconnect(bool on, const connection::ReconnectRule &rule = {});
    const connection::Session &session() const { return m_session; }
    // Lost, and not yet back in the user's channel: what is typed waits.
    bool away() const;

    // Every line the transcript gets goes through here: with the time of
    // day in front when asked for, and into the log when there is one.
    void showLine(QStringView line);
    // The time in front of each line from now on; a choice made in the
    // transcript's menu is written to the settings file when one is given.
    void setTimestamps(bool on, const QString &settingsFile = {});
    bool timestamps() const { return m_timestamps; }
    // Keeps the transcript in files under dataHome ($XDG_DATA_HOME).
    void setLog(bool on, const QString &dataHome = {});
    ChatLog *log() const { return m_log; }
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
    QTimer *tmrReconnect;

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
    void tmrReconnect_Timer();

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
    // A line of the program's own went into the transcript.
    void toldOwn(const QString &line);

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
    void Text2_ContextMenu(const QPoint &at);
    void wireTranscript();
    void Winsock1_Ended(quint64 attempt, bool wasOpen);
    // Feeds the reconnect decision and does what it says.
    void sessionEvent(connection::Event e, bool chosen = false);
    void startTry();
    void sendHandshake();
    // A line of the program's own: set apart, with the time of day.
    void tellOwn(const QString &words);
    // The list and banner say whether they are current.
    void showAway();
    void heard();
    void heardNull();
    // A server that has shown its keep-alive rhythm and then stays silent
    // for three beats is gone, close or no close.
    void checkSilence();
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

    bool m_timestamps = false;
    QString m_settingsFile;
    qint64 m_stampMinute = -1;
    QString m_stamp; // "[HH:MM] " of m_stampMinute
    ChatLog *m_log = nullptr;
    QString m_logChannel;

    bool m_reconnect = true;
    connection::ReconnectRule m_reconnectRule;
    connection::Session m_session;
    QString m_usersChannel;  // where the user chose to be
    QString m_refusal;       // the server's words, when it last said no
    bool m_rejoinFirst = false; // the queue's first line is the rejoin
    int m_tries = 0;         // since the loss
    bool m_gaveUp = false;   // the notice was given; no more until a login
    bool m_shownAway = false;
    qint64 m_lastHeardMs = -1;
    qint64 m_lastNullMs = -1;
    qint64 m_nullEveryMs = 0; // the server's keep-alive rhythm, once seen

    inbound::Receiver *m_receiver = nullptr;
    RosterIndex *m_roster = nullptr; // finds Roomlist entries by name
};
