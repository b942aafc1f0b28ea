#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

// Pictures of the program, drawn at start-up so that no image files have to
// travel with it.
namespace artwork {

// The window icon: a quill over a speech bubble, 16 colours.
QImage windowIconImage(int size);
QIcon windowIcon();

// Background of the action panel, exactly 110 x 200.
QPixmap actionPanel();

// Reduces a picture to the 16-colour palette of the program's icons.
QImage toSixteenColours(const QImage &image);

} // namespace artwork
