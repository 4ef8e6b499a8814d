#include "toolbars/items/TTKPopupMenu.h"

#include <QKeyEvent>

namespace quarn {

TTKPopupMenu::TTKPopupMenu(QObject* parent) : TTKPopupMenu(std::make_unique<TTKRootItem>(), parent) {}

TTKPopupMenu::TTKPopupMenu(std::unique_ptr<TTKRootItem> root, QObject* parent)
    : QObject(parent), root_(std::move(root)) {
    root_->SetOwnerComponent(this);
    root_->OnPopup = [this](TTKCustomItem*, bool) {
        if (OnPopup) {
            OnPopup(*this);
        }
    };
}

TTKPopupMenu::~TTKPopupMenu() = default;

void TTKPopupMenu::Popup(int x, int y) {
    root_->ShowAsPopup(QPoint(x, y), trackButton_ == TrackButton::Right, alignment_);
}

bool TTKPopupMenu::IsShortCut(const QKeyEvent& event) {
    return root_->HandleShortCut(event);
}

} // namespace quarn
