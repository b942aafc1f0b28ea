#pragma once

#include <QString>
#include <QStringView>

// How received text is shown: the one rule for the transcript, the user list
// and the banner. What is stored and sent back stays exactly as received; a
// byte that was not UTF-8 is shown as its Latin-1 character.
namespace inbound {

// Laying out tens of thousands of characters without a blank stalls the
// window for a good part of a second, so longer texts are shown cut, ending
// in an ellipsis.
constexpr qsizetype MaxLineShown = 4096; // a transcript line
constexpr qsizetype MaxNameShown = 256;  // a list entry: the row shows a few dozen

// What the unit at i is shown as, or 0 when it is shown as itself.
// Characters that a text view acts on instead of drawing could break one
// received line into several or forge a line that looks as if someone else
// wrote it, so they are shown as visible stand-ins, one for one: control
// characters but the tab (as U+2400 onwards), the line and paragraph
// separators, the text document's frame markers U+FDD0 and U+FDD1 (each a
// new paragraph there), and the direction controls that embed, override or
// isolate (they would reorder text outside the field they came in). Half of
// a character, which a field cut at a fixed position can leave, shows as
// U+FFFD.
char16_t standIn(QStringView text, qsizetype i);

// Appends the shown form of text to out: at most maxShown characters, the
// last of them an ellipsis when text was cut. A surrogate pair is never cut
// in half, so a cut text may be one shorter.
void appendShown(QString &out, QStringView text, qsizetype maxShown);
QString shownText(QStringView text, qsizetype maxShown);

} // namespace inbound
