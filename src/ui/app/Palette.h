#pragma once

#include <QColor>
#include <QPalette>
#include <QWidget>

namespace app {

enum class Roles {
    All,   // every role a window, text field or button paints with
    Field, // a text field's inside only: its frame keeps the shades around it
};

// Gives a control one background and one text colour.
inline void setColours(QWidget *w, const QColor &background, const QColor &text, Roles roles = Roles::All)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, background);
    pal.setColor(QPalette::Text, text);
    if (roles == Roles::All) {
        pal.setColor(QPalette::Window, background);
        pal.setColor(QPalette::Button, background);
        pal.setColor(QPalette::WindowText, text);
        pal.setColor(QPalette::ButtonText, text);
    }
    w->setPalette(pal);
}

} // namespace app
