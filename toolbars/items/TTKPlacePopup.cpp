#include "toolbars/items/TTKPlacePopup.h"

#include <algorithm>

namespace quarn {

namespace {

// Rectangles here are left/top inclusive, right/bottom exclusive, as the system gives them.
struct Box {
    int left;
    int top;
    int right;
    int bottom;
};

Box BoxOf(const QRect& rect) {
    return {rect.x(), rect.y(), rect.x() + rect.width(), rect.y() + rect.height()};
}

Box BoxAt(QPoint position, QSize size) {
    return {position.x(), position.y(), position.x() + size.width(), position.y() + size.height()};
}

bool Overlap(const Box& a, const Box& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// Overlapping or sharing an edge.
bool Touch(const Box& a, const Box& b) {
    return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

int Touching(const std::vector<QRect>& viewers, const Box& place) {
    return static_cast<int>(std::count_if(viewers.begin(), viewers.end(),
                                          [&](const QRect& r) { return Touch(BoxOf(r), place); }));
}

Box ParentBox(const TTKPopupPlacement& p) {
    return p.hasParentView ? BoxOf(p.parent) : Box{p.point.x(), p.point.y(), p.point.x(), p.point.y()};
}

} // namespace

QPoint PopupStartPosition(const TTKPopupPlacement& p) {
    const int w = p.size.width();
    if (!p.hasParentView) {
        switch (p.alignment) {
        case TTKPopupAlignment::Right:
            return {p.point.x() - w, p.point.y()};
        case TTKPopupAlignment::Center:
            return {p.point.x() - w / 2, p.point.y()};
        case TTKPopupAlignment::Left:
            return p.point;
        }
    }
    const Box parent = BoxOf(p.parent);
    if (p.asSubmenu) {
        return {parent.right - p.nx, parent.top - p.ny};
    }
    if (p.parentVertical) {
        return {parent.left - w, parent.top};
    }
    if (p.parentIsChevron || p.dropRightAligned) {
        return {parent.right - w, parent.bottom};
    }
    return {parent.left, parent.bottom};
}

TTKPopupPlace PlacePopup(const TTKPopupPlacement& p, QPoint start) {
    const Box m = BoxOf(p.monitor);
    const Box parent = ParentBox(p);
    const int w = p.size.width();
    const int h = p.size.height();
    int x = start.x();
    int y = start.y();
    TTKPopupPlace place;

    // Up or down: a pop-up that would cross the bottom goes above when it fits there.
    if (!p.parentVertical) {
        if (y + h > m.bottom) {
            const int above = (p.asSubmenu ? parent.bottom + p.ny : parent.top) - h;
            if (above >= m.top) {
                y = above;
            }
        }
        y = std::max(std::min(y, m.bottom - h), m.top);
    }

    if (p.asSubmenu) {
        bool opposite = p.parentOppositeSide;
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (!opposite && start.x() + w <= m.right) {
                x = start.x();
                place.oppositeSide = false;
                break;
            }
            x = (p.hasParentView ? parent.left + p.nx : p.point.x()) - w;
            place.oppositeSide = true;
            // Leftwards no longer fits: the chain turns right again.
            if (!(opposite && x < m.left)) {
                break;
            }
            opposite = false;
        }
        x = std::max(x, m.left);
    } else {
        const bool pointPopup = !p.hasParentView;
        if (pointPopup && p.alignment == TTKPopupAlignment::Right && x < m.left) {
            x += w;
        }
        if (x + w > m.right) {
            x = pointPopup && p.alignment == TTKPopupAlignment::Left ? x - w : m.right - w;
        }
        x = std::max(x, m.left);
        if (p.parentVertical) {
            const Box right = BoxAt({parent.right, y}, p.size);
            const Box current = BoxAt({x, y}, p.size);
            if (right.right <= m.right &&
                (Touching(p.parentViewers, right) < Touching(p.parentViewers, current) ||
                 Overlap(current, parent))) {
                x = parent.right;
            }
            if (Overlap(BoxAt({x, y}, p.size), parent)) {
                y = parent.bottom + h <= m.bottom ? parent.bottom : std::max(parent.top - h, m.top);
            }
        } else {
            const Box above = BoxAt({x, parent.top - h}, p.size);
            const Box current = BoxAt({x, y}, p.size);
            if (above.top >= m.top &&
                (Touching(p.parentViewers, above) < Touching(p.parentViewers, current) ||
                 Overlap(current, parent))) {
                y = parent.top - h;
            }
            if (Overlap(BoxAt({x, y}, p.size), parent)) {
                x = parent.right + w <= m.right ? parent.right : std::max(parent.left - w, m.left);
            }
        }
    }

    place.position = {x, y};
    const Box window = BoxAt(place.position, p.size);
    if (p.asSubmenu) {
        place.direction = (window.left + window.right) < (parent.left + parent.right) ? 1u : 2u;
    } else {
        if (window.top >= parent.bottom) {
            place.direction |= 4u;
        } else if (window.bottom <= parent.top) {
            place.direction |= 8u;
        }
        if (window.right <= parent.left) {
            place.direction |= 1u;
        } else if (window.left >= parent.right) {
            place.direction |= 2u;
        }
    }
    return place;
}

} // namespace quarn
