#include "toolbars/items/TTKItems.h"

namespace quarn {

TTKSeparatorItem::TTKSeparatorItem() {
    SetStyleBits(static_cast<std::uint16_t>(
        (StyleBits() & ~(tbis::Selectable | tbis::RedrawOnSelChange | tbis::RedrawOnMouseOverChange)) |
        tbis::Separator | tbis::ClicksPassThrough));
}

TTKItemViewerClass TTKSeparatorItem::ViewerClass(const TTKView&) const {
    return &TTKSeparatorItemViewer::Create;
}

void TTKSeparatorItem::SetBlank(bool value) {
    if (blank_ == value) {
        return;
    }
    blank_ = value;
    NotifyChange(false);
}

TTKControlItem::TTKControlItem() {
    SetStyleBits(static_cast<std::uint16_t>((StyleBits() & ~tbis::Selectable) | tbis::ClicksPassThrough));
}

TTKControlItem::TTKControlItem(QWidget* control) : TTKControlItem() {
    SetControl(control);
}

TTKControlItem::~TTKControlItem() {
    if (control_ && !dontFreeControl_) {
        // The control may sit in a window being torn down: leave it to the event loop.
        control_->deleteLater();
    }
}

void TTKControlItem::SetControl(QWidget* control) {
    if (control_ == control) {
        return;
    }
    control_ = control;
    NotifyChange(true);
}

} // namespace quarn
