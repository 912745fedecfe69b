// The editor's pictures, drawn by the program itself: the 36 x 36 button
// images (magenta, RGB FF00FF, is their transparent colour), picture 129 of
// the window, picture 140 of the busy window and the application icon 128.
#pragma once

#include <QIcon>
#include <QImage>

namespace brisken {

inline constexpr QRgb kTransparentColor = 0xFF00FF;
inline constexpr int kButtonImageSize = 36;

// A null image for an id the program does not carry.
QImage LoadBitmap(int id);
QIcon ApplicationIcon();

} // namespace brisken
