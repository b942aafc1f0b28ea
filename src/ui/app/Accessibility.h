#pragma once

#include <QString>

class FrmChannel;
class QLabel;
class QWidget;
class frmBot;
class frmLogin;

// What a screen reader hears: a name (and where it helps a description) for
// every control, the action labels and the login dialog's labels as buttons
// that can be pressed without the keyboard focus, and the banner's caption
// as its value. Each window calls its nameAccessibly once, when built.
namespace accessibility {

void nameAccessibly(frmBot &window);
void nameAccessibly(frmLogin &dialog);
void nameAccessibly(FrmChannel &dialog);

// Puts shown on the banner: the caption itself, or a cut of it that leaves
// the whole caption in the tooltip. A screen reader hears the whole caption
// changed, once per pass of the event loop however often it changes in
// between.
void setBannerText(QLabel *banner, const QString &caption, const QString &shown);

// Tells a screen reader how many sent lines wait for their turn: the
// waiting label says so, and so does the input line's description, which is
// read where the user types. None waiting says nothing.
void tellWaiting(frmBot &window, qsizetype lines);

// Gives a button the platform's own colours: a widget whose palette sets
// nothing inherits its window's, and the main window's is dark grey with
// white text.
void keepPlatformLook(QWidget *button);

} // namespace accessibility
