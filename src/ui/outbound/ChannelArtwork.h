#pragma once

#include <QPixmap>

// The picture of the channel picker, drawn once.
namespace artwork {

// 480 x 260 in 256 colours: a night sky, a well behind the channel list, a
// plate behind the name box and a signpost above the buttons, laid out for
// the picker's controls. The picker shows it unscaled from the top-left, so
// its right and bottom edges are cut off by the client area.
QPixmap channelBackground();

} // namespace artwork
