#pragma once

#include <QString>
#include <QStringView>

// Where the transcript log of a channel goes. Channel and server names come
// from the network, so they are made into names no file system can take for
// a path, a hidden file or another channel's file.
namespace inbound {

// Letters and digits of any script, the blank, '-', '_' and '.' stand for
// themselves; everything else, a '.' at the start and '%' itself, as %XX of
// its UTF-8 bytes. So two different names never give the same file name,
// and none is "", "." or "..". A name that would pass 200 bytes is cut and
// ends in '~' and a hash of the whole name.
QString safeFileName(QStringView name);

// DATA/quillon/logs/SERVER/CHANNEL.log, DATA being $XDG_DATA_HOME or
// ~/.local/share as the caller found it.
QString logFilePath(QStringView dataHome, QStringView server, QStringView channel);

} // namespace inbound
