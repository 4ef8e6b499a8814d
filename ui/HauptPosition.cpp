// Fitting the main window's saved rectangle onto the screens there are now.
#include "ui/HauptPosition.h"

#include <algorithm>
#include <limits>

namespace quarn {
namespace {

// Far beyond any screen, and far enough from the limits of int that no edge overflows; the registry
// file may be edited by hand.
constexpr int kGrenze = 1 << 20;

long long Overlap(const QRect& a, const QRect& b) {
    const QRect both = a.intersected(b);
    return both.isEmpty() ? 0 : static_cast<long long>(both.width()) * both.height();
}

// Squared distance between two rectangles that do not meet.
long long Distance(const QRect& a, const QRect& b) {
    const long long dx = std::max(
        {0LL, static_cast<long long>(b.left()) - a.right(), static_cast<long long>(a.left()) - b.right()});
    const long long dy = std::max(
        {0LL, static_cast<long long>(b.top()) - a.bottom(), static_cast<long long>(a.top()) - b.bottom()});
    return dx * dx + dy * dy;
}

QRect NearestWorkArea(const QRect& rect, const std::vector<QRect>& screens, const QRect& desktop) {
    const QRect* best = nullptr;
    long long bestOverlap = 0;
    for (const QRect& screen : screens) {
        if (const long long overlap = Overlap(rect, screen); overlap > bestOverlap) {
            bestOverlap = overlap;
            best = &screen;
        }
    }
    if (best != nullptr) {
        return *best;
    }
    long long bestDistance = std::numeric_limits<long long>::max();
    for (const QRect& screen : screens) {
        if (const long long distance = Distance(rect, screen); distance < bestDistance) {
            bestDistance = distance;
            best = &screen;
        }
    }
    return best != nullptr ? *best : desktop;
}

} // namespace

QRect FensterRechteck(const TFensterPosition& saved, const std::vector<QRect>& screens,
                      const QRect& desktop) {
    if (!saved.x || !saved.y || !saved.dx || !saved.dy || *saved.dx <= 0 || *saved.dy <= 0) {
        const QSize size(desktop.width() * 2 / 3, desktop.height() * 2 / 3);
        QRect rect(QPoint(), size);
        rect.moveCenter(desktop.center());
        return rect;
    }
    QRect rect(std::clamp(*saved.x, -kGrenze, kGrenze), std::clamp(*saved.y, -kGrenze, kGrenze),
               std::min(*saved.dx, kGrenze), std::min(*saved.dy, kGrenze));
    const QRect area = NearestWorkArea(rect, screens, desktop);
    rect.setWidth(std::min(rect.width(), area.width()));
    rect.setHeight(std::min(rect.height(), area.height()));
    if (rect.left() < area.left()) {
        rect.moveLeft(area.left());
    } else if (rect.right() > area.right()) {
        rect.moveRight(area.right());
    }
    if (rect.top() < area.top()) {
        rect.moveTop(area.top());
    } else if (rect.bottom() > area.bottom()) {
        rect.moveBottom(area.bottom());
    }
    return rect;
}

} // namespace quarn
