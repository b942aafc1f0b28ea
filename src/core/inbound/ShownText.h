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

// Control characters could break one received line into several or forge a
// line that looks as if someone else wrote it; they are shown as their
// visible stand-ins (U+2400 onwards), one for one. Tabs stay.
constexpr bool isHiddenControl(char16_t c)
{
    return (c < 0x20 && c != u'\t') || c == 0x7f;
}

// Appends the shown form of text to out: at most maxShown characters, the
// last of them an ellipsis when text was cut. A surrogate pair is never cut
// in half, so a cut text may be one shorter.
void appendShown(QString &out, QStringView text, qsizetype maxShown);
QString shownText(QStringView text, qsizetype maxShown);

} // namespace inbound
