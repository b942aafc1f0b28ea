#pragma once

#include <QList>
#include <QStringView>

namespace outbound {

// Cuts text into pieces of at most maxBytes bytes on the wire each, in order.
// A piece ends at the last run of blanks that lets it fit, and those blanks
// go nowhere, so no piece is only blanks; a word longer than a piece is cut
// where the piece is full, but never inside a character, so never inside its
// UTF-8 bytes nor between the halves of a surrogate pair. No piece but the
// first starts with a slash, which would make a chat piece a command: before
// one, a blank of the run stays. Text that fits is one piece. Below 4 bytes a character might not fit at all, so
// nothing is cut.
QList<QStringView> cutText(QStringView text, qsizetype maxBytes);

} // namespace outbound
