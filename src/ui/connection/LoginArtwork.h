#pragma once

#include <QPixmap>

// Pictures of the login dialog, drawn when the dialog is made.
namespace artwork {

// 339 x 347: a panel with a title area, two dark input slots and two button
// plates, laid out for the dialog's controls. It is a little larger than the
// dialog, which shows it from the top-left and cuts off the rest.
QPixmap loginBackground();

// 178 x 23: the dialog's caption in yellow capitals on black.
QPixmap loginBanner();

} // namespace artwork
