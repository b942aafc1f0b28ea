// Connecting, logging in and watching the connection.
#include "app/frmBot.h"

void frmBot::Connect_Click()
{
}

void frmBot::ProceedLogin()
{
}

void frmBot::Timer1_Timer()
{
}
