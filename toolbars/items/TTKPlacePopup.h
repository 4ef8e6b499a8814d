#pragma once

#include "toolbars/items/TTKItemTypes.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <vector>

namespace quarn {

// Everything placing a pop-up depends on, in screen coordinates. Without a parent view the pop-up opens
// at `point`, which then also stands for the parent rectangle.
struct TTKPopupPlacement {
    QRect monitor;
    bool hasParentView = false;
    QRect parent;
    bool parentVertical = false;
    bool parentIsChevron = false;
    // The parent view opens its submenus to the left already.
    bool parentOppositeSide = false;
    bool asSubmenu = false;
    QPoint point;
    TTKPopupAlignment alignment = TTKPopupAlignment::Left;
    // The system drops menus right-aligned below their button.
    bool dropRightAligned = false;
    QSize size;
    // The window's non-client width and height.
    int nx = 0;
    int ny = 0;
    // The shown viewers of the parent view; a place that touches fewer of them hides less.
    std::vector<QRect> parentViewers;
};

struct TTKPopupPlace {
    QPoint position;
    // The new pop-up opens its own submenus to the left.
    bool oppositeSide = false;
    // The animation's direction (bits of tkad: 1 left, 2 right, 4 down, 8 up).
    unsigned direction = 0;
};

// Where a pop-up starts before it is fitted to the monitor.
QPoint PopupStartPosition(const TTKPopupPlacement& placement);
// Fits the pop-up starting at `start` onto the monitor and beside its parent.
TTKPopupPlace PlacePopup(const TTKPopupPlacement& placement, QPoint start);

} // namespace quarn
