#pragma once
// Where a top-level window goes on its screen: where it asks to be, moved and if need be made
// smaller so that the whole window with its frame lies on the screen's free area (a screen
// scaled so far that the window does not fit, a panel along an edge).

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// The window's own geometry (without its frame) for a window of `size` whose frame's top left
// is wanted at `frameTopLeft`; `frame` is how much the frame adds to the width and height, and
// `frameOffset` where the window lies within its frame.
QRect PlaceOnScreen(QSize size, QPoint frameTopLeft, QSize frame, QPoint frameOffset,
                    const QRect& available);

// Moves a top-level window, and makes it smaller where it must, to lie on its screen's free
// area with its frame.
void KeepOnScreen(QWidget& window);
