#include "shell/window_placement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

QRect PlaceOnScreen(QSize size, QPoint frameTopLeft, QSize frame, QPoint frameOffset,
                    const QRect& available) {
    const QSize room = (available.size() - frame).expandedTo(QSize(1, 1));
    const QSize fitted = size.boundedTo(room);
    const QSize outer = fitted + frame;
    // The frame's top left within the free area, the frame's far edges too where it fits.
    const int x =
        std::max(available.left(),
                 std::min(frameTopLeft.x(), available.left() + available.width() - outer.width()));
    const int y =
        std::max(available.top(),
                 std::min(frameTopLeft.y(), available.top() + available.height() - outer.height()));
    return {QPoint(x, y) + frameOffset, fitted};
}

void KeepOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (!screen) return;
    const QRect frame = window.frameGeometry(), inner = window.geometry();
    const QPoint offset = inner.topLeft() - frame.topLeft();
    const QRect placed = PlaceOnScreen(window.size(), frame.topLeft(), frame.size() - inner.size(),
                                       offset, screen->availableGeometry());
    if (placed.size() != window.size()) window.resize(placed.size());
    // A top-level window is moved by its frame's top left.
    if (placed.topLeft() != inner.topLeft()) window.move(placed.topLeft() - offset);
}
