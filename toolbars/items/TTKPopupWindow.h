#pragma once

#include "toolbars/items/TTKView.h"

#include <QWidget>

namespace quarn {

struct TTKSubmenuRequest;

// The view of a pop-up window: it draws in the window's font.
class TTKPopupView : public TTKView {
    Q_OBJECT
public:
    using TTKView::TTKView;
    QFont ViewFont() const override;
    void FitWindowToContent(int width, int height) override;
};

// A frameless top-level window that shows one pop-up view of an item's children. The window manager
// neither places nor activates it: the kit places it itself and keeps the keyboard where it was.
class TTKPopupWindow : public QWidget {
    Q_OBJECT
public:
    // The frame drawn around the view on every side.
    static constexpr int kFrame = 3;

    TTKPopupWindow(TTKView* parentView, TTKCustomItem* item, bool customizing);
    ~TTKPopupWindow() override;

    TTKPopupView& View() const { return *view_; }
    // The view's client area inside the frame.
    QWidget& Content() const { return *content_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* content_;
    TTKPopupView* view_;
};

// Creates the pop-up window of `item`'s children for a submenu request, places it beside its parent
// viewer (or at the request's point) on the monitor and shows it; the caller owns the window.
TTKPopupWindow* ShowSubmenuWindow(TTKCustomItem& item, const TTKSubmenuRequest& request);

} // namespace quarn
