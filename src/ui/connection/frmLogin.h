#pragma once

#include <QDialog>
#include <QPixmap>
#include <QPointer>

class QLabel;
class QLineEdit;
class frmBot;

// The login dialog: an account name and a password, checked here and handed
// to the main window that opened it. Made anew for every showing, so its
// boxes always start empty.
class frmLogin : public QDialog
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 337;
    static constexpr int ClientHeight = 344;

    explicit frmLogin(frmBot &owner);

    // Account names that log in without a password, compared exactly.
    static bool isPasswordFree(const QString &userName);

    // Controls.
    QLabel *Image1;
    QLabel *label4;
    QLineEdit *UserNamet;
    QLabel *lable5;
    QLineEdit *Passwordt;
    QLabel *Login;
    QLabel *Quit;

    void Login_Click();
    void Quit_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void buildControls();
    void centreOnScreen();

    QPointer<frmBot> m_owner;
    QPixmap m_background;
    bool m_loggingIn = false;
};
