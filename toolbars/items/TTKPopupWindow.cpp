#include "toolbars/items/TTKPopupWindow.h"

#include "toolbars/items/TTKCustomItem.h"
#include "toolbars/items/TTKPlacePopup.h"
#include "toolbars/items/TTKPopupAnimation.h"
#include "toolbars/items/TTKPopupSeam.h"
#include "toolbars/items/TTKSettings.h"

#include <QPainter>

namespace quarn {

namespace {

constexpr QSize kInitialSize(320, 240);
constexpr int kOpenAnimationMs = 150;

// The inside of the frame: the view's window, so that viewer rectangles are its own coordinates.
class PopupContent : public QWidget {
public:
    explicit PopupContent(QWidget* parent) : QWidget(parent) {}
    void SetView(TTKView* view) { view_ = view; }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!view_)
            return;
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        view_->Paint(painter);
    }

private:
    TTKView* view_ = nullptr;
};

} // namespace

QFont TTKPopupView::ViewFont() const {
    const QWidget* window = Window();
    return window && window->window() ? window->window()->font() : TTKView::ViewFont();
}

void TTKPopupView::FitWindowToContent(int width, int height) {
    TTKView::FitWindowToContent(width, height);
    if (QWidget* window = Window(); window && window->window() != window)
        window->window()->resize(width + 2 * TTKPopupWindow::kFrame, height + 2 * TTKPopupWindow::kFrame);
}

TTKPopupWindow::TTKPopupWindow(TTKView* parentView, TTKCustomItem* item, bool customizing)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint |
                           Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    resize(kInitialSize);
    setFont(parentView ? parentView->ViewFont() : KitSettings().MenuFont());
    auto* content = new PopupContent(this);
    content->move(kFrame, kFrame);
    content_ = content;
    view_ = new TTKPopupView(this, parentView, item, content_, false, customizing, false);
    content->SetView(view_);
    if (parentView) {
        view_->SetHideAccelsUntilKeyboard(parentView->HideAccelsUntilKeyboard());
        view_->SetAccelVisibility(parentView->AccelsVisible());
    } else {
        view_->SetAccelVisibility(false);
    }
    view_->SetLargestHeight(KitSettings()
                                .MonitorRectForPoint(parentView && parentView->Window()
                                                         ? parentView->Window()->mapToGlobal(QPoint(0, 0))
                                                         : QPoint(0, 0),
                                                     false)
                                .height() -
                            2 * kFrame);
    view_->Relayout();
}

TTKPopupWindow::~TTKPopupWindow() {
    view_->CloseSubmenus();
}

void TTKPopupWindow::paintEvent(QPaintEvent*) {
    // A flat frame: a shadow-coloured line outside, two lines of the window colour inside.
    QPainter painter(this);
    const QPalette& p = palette();
    painter.fillRect(rect(), p.color(QPalette::Window));
    painter.setPen(p.color(QPalette::Shadow));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

TTKPopupWindow* ShowSubmenuWindow(TTKCustomItem& item, const TTKSubmenuRequest& request) {
    auto* parentView = qobject_cast<TTKView*>(request.parentView);
    auto window = std::make_unique<TTKPopupWindow>(parentView, &item, request.customizing);

    TTKPopupPlacement placement;
    placement.hasParentView = parentView != nullptr;
    placement.point = request.point;
    placement.alignment = request.alignment;
    placement.asSubmenu = request.positionAsSubmenu;
    placement.dropRightAligned = KitSettings().MenuDropAlignment();
    placement.size = window->size();
    placement.nx = TTKPopupWindow::kFrame;
    placement.ny = TTKPopupWindow::kFrame;
    QRect anchor(request.point, QSize(1, 1));
    if (parentView && parentView->Window()) {
        QWidget* parentWindow = parentView->Window();
        const auto global = [parentWindow](const QRect& r) {
            return QRect(parentWindow->mapToGlobal(r.topLeft()), r.size());
        };
        if (const TTKItemViewer* viewer = parentView->Selected())
            anchor = placement.parent = global(viewer->BoundsRect());
        placement.parentVertical = parentView->Orientation() == TTKOrientation::Vertical;
        placement.parentOppositeSide = parentView->OpensSubmenusLeft();
        for (int i = 0; i < parentView->ViewerCount(); ++i)
            if (parentView->Viewers(i)->Shown())
                placement.parentViewers.push_back(global(parentView->Viewers(i)->BoundsRect()));
    }
    placement.monitor = KitSettings().MonitorRectForRect(anchor, false);
    const TTKPopupPlace place = item.PlacePopup(placement, PopupStartPosition(placement));
    window->move(place.position);
    window->View().SetOpensSubmenusLeft(place.oppositeSide);
    if (request.selectFirst)
        window->View().SetSelection(window->View().FirstSelectable());
    // A menu opened from the keyboard (its first item selected) appears at once.
    const bool fade = KitSettings().MenuFadeOn();
    if (!window->View().Selected() && KitSettings().MenuAnimationOn() && (fade || place.direction != 0))
        TTKPopupAnimation::Instance().Start(*window, kOpenAnimationMs, fade, place.direction);
    else
        window->show();
    return window.release();
}

} // namespace quarn
