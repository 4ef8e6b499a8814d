// Where pop-ups open: beside or below their parent, turned back at the monitor's edges, and the
// direction their animation takes.
#include "toolbars/items/TTKPlacePopup.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

const QRect kMonitor(0, 0, 1024, 768);

TTKPopupPlacement Submenu(const QRect& parentViewer, bool parentOpposite = false) {
    TTKPopupPlacement p;
    p.monitor = kMonitor;
    p.hasParentView = true;
    p.parent = parentViewer;
    p.asSubmenu = true;
    p.parentOppositeSide = parentOpposite;
    p.size = QSize(150, 120);
    p.nx = 3;
    p.ny = 3;
    return p;
}

TTKPopupPlace Place(const TTKPopupPlacement& p) {
    return PlacePopup(p, PopupStartPosition(p));
}

TEST(PlacePopup, SubmenusOpenRightUntilTheEdgeThenLeftAndStayLeft) {
    const TTKPopupPlace right = Place(Submenu(QRect(100, 100, 160, 20)));
    EXPECT_EQ(right.position, QPoint(257, 97));
    EXPECT_FALSE(right.oppositeSide);
    EXPECT_EQ(right.direction, 2u);

    // At the monitor's right edge: left of the parent row, and the new pop-up remembers it.
    const TTKPopupPlace left = Place(Submenu(QRect(860, 100, 160, 20)));
    EXPECT_EQ(left.position, QPoint(860 + 3 - 150, 97));
    EXPECT_TRUE(left.oppositeSide);
    EXPECT_EQ(left.direction, 1u);

    // Its own submenu opens leftwards although there would be room on the right.
    const TTKPopupPlace next = Place(Submenu(QRect(713, 130, 150, 20), true));
    EXPECT_EQ(next.position.x(), 713 + 3 - 150);
    EXPECT_TRUE(next.oppositeSide);

    // Until the left edge is reached: then the chain turns right again.
    const TTKPopupPlace turned = Place(Submenu(QRect(40, 130, 150, 20), true));
    EXPECT_EQ(turned.position.x(), 187);
    EXPECT_FALSE(turned.oppositeSide);
}

TEST(PlacePopup, APopupCrossingTheBottomGoesAbove) {
    TTKPopupPlacement below;
    below.monitor = kMonitor;
    below.hasParentView = true;
    below.parent = QRect(200, 700, 60, 22);
    below.size = QSize(150, 200);
    below.parentViewers = {QRect(200, 700, 60, 22), QRect(260, 700, 60, 22)};
    const TTKPopupPlace above = Place(below);
    EXPECT_EQ(above.position, QPoint(200, 500));
    EXPECT_EQ(above.direction, 8u);

    TTKPopupPlacement roomy = below;
    roomy.parent = QRect(200, 100, 60, 22);
    roomy.parentViewers = {roomy.parent};
    const TTKPopupPlace dropped = Place(roomy);
    EXPECT_EQ(dropped.position, QPoint(200, 122));
    EXPECT_EQ(dropped.direction, 4u);

    // A submenu row near the bottom: its pop-up ends level with the row's bottom.
    const TTKPopupPlace sub = Place(Submenu(QRect(100, 700, 160, 20)));
    EXPECT_EQ(sub.position.y(), 720 + 3 - 120);
}

TEST(PlacePopup, PointPopupsStayOnTheMonitor) {
    TTKPopupPlacement p;
    p.monitor = kMonitor;
    p.size = QSize(150, 120);
    p.point = QPoint(60, 300);
    p.alignment = TTKPopupAlignment::Right;
    // Right-aligned at the left edge: it opens to the right of the point instead.
    EXPECT_EQ(Place(p).position, QPoint(60, 300));
    EXPECT_EQ(Place(p).direction, 4u | 2u) << "down and to the right of the point";

    p.point = QPoint(400, 300);
    EXPECT_EQ(Place(p).position, QPoint(250, 300));

    p.alignment = TTKPopupAlignment::Left;
    p.point = QPoint(1000, 300);
    EXPECT_EQ(Place(p).position, QPoint(850, 300)) << "left-aligned at the right edge: left of the point";

    p.point = QPoint(500, 700);
    const TTKPopupPlace up = Place(p);
    EXPECT_EQ(up.position, QPoint(500, 580));
    EXPECT_EQ(up.direction, 8u | 2u);

    p.alignment = TTKPopupAlignment::Center;
    p.point = QPoint(500, 100);
    EXPECT_EQ(Place(p).position, QPoint(425, 100));
}

TEST(PlacePopup, AVerticalToolbarsPopupOpensBesideItAndLeftToRight) {
    TTKPopupPlacement p;
    p.monitor = kMonitor;
    p.hasParentView = true;
    p.parentVertical = true;
    p.parent = QRect(0, 200, 24, 22);
    p.size = QSize(150, 120);
    p.parentViewers = {p.parent, QRect(0, 222, 24, 22), QRect(0, 244, 24, 22)};
    // It would start left of the toolbar, off the monitor: clamped, it would cover the toolbar, so it
    // goes to the right of it.
    const TTKPopupPlace place = Place(p);
    EXPECT_EQ(place.position, QPoint(24, 200));
    EXPECT_EQ(place.direction, 2u);

    p.parent = QRect(1000, 200, 24, 22);
    p.parentViewers = {p.parent};
    const TTKPopupPlace left = Place(p);
    EXPECT_EQ(left.position, QPoint(850, 200));
    EXPECT_EQ(left.direction, 1u);
}

TEST(PlacePopup, StartPositions) {
    TTKPopupPlacement p;
    p.monitor = kMonitor;
    p.hasParentView = true;
    p.parent = QRect(100, 0, 60, 22);
    p.size = QSize(150, 120);
    EXPECT_EQ(PopupStartPosition(p), QPoint(100, 22));
    p.dropRightAligned = true;
    EXPECT_EQ(PopupStartPosition(p), QPoint(10, 22));
    p.dropRightAligned = false;
    p.parentIsChevron = true;
    EXPECT_EQ(PopupStartPosition(p), QPoint(10, 22));
}

} // namespace
} // namespace quarn
