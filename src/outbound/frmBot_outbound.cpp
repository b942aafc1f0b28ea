// Everything the user sends: the composer, the action panel, the whisper
// button and the channel picker.
#include "app/frmBot.h"

void frmBot::Send_Click()
{
}

void frmBot::SendCommand(const QString &command)
{
    Text1->setText(command);
    Send_Click();
}

void frmBot::Text1_KeyPress(int &keyAscii)
{
    if (keyAscii == 13) {
        keyAscii = 0;
        Send_Click();
    }
}

void frmBot::Text2_KeyPress(int &keyAscii)
{
    Text1_KeyPress(keyAscii);
}

void frmBot::Label5_Click(int)
{
}

void frmBot::Label5_MouseMove(int, Qt::MouseButtons, Qt::KeyboardModifiers, int, int)
{
}

void frmBot::cmdWhisper_Click()
{
}

void frmBot::Command7_Click()
{
}
