#pragma once

#include <QString>
#include <QtGlobal>

// Program-wide state shared by the windows. Set by the login dialog and the
// connect button; never reset during a run.
inline QString UserName;
inline QString Password;
// Truth value as the windows use it: 0 false, -1 true.
inline qint16 Connected = 0;
