#pragma once

#include "toolbars/items/TTKItems.h"

#include <QObject>
#include <functional>
#include <memory>

class QKeyEvent;

namespace quarn {

class TTKCustomImageList;

// A context menu made of kit items (our own, not QMenu).
class TTKPopupMenu : public QObject {
    Q_OBJECT
public:
    enum class TrackButton : std::uint8_t { Left, Right };

    explicit TTKPopupMenu(QObject* parent = nullptr);
    ~TTKPopupMenu() override;

    TTKRootItem* Items() const { return root_.get(); }
    TTKCustomImageList* Images() const { return root_->SubMenuImages(); }
    void SetImages(TTKCustomImageList* images) { root_->SetSubMenuImages(images); }
    TTKCustomItem* LinkSubitems() const { return root_->LinkSubitems(); }
    void SetLinkSubitems(TTKCustomItem* item) { root_->SetLinkSubitems(item); }
    TTKItemOptions Options() const { return root_->Options(); }
    void SetOptions(TTKItemOptions options) { root_->SetOptions(options); }
    TrackButton GetTrackButton() const { return trackButton_; }
    void SetTrackButton(TrackButton button) { trackButton_ = button; }
    TTKPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TTKPopupAlignment alignment) { alignment_ = alignment; }

    // Told before the menu opens (sender: the menu's root).
    std::function<void(TTKPopupMenu& menu)> OnPopup;

    // Shows the menu at a screen point and returns when its loop has ended.
    void Popup(int x, int y);
    bool IsShortCut(const QKeyEvent& event);

protected:
    // The themed menu brings its own kind of root.
    TTKPopupMenu(std::unique_ptr<TTKRootItem> root, QObject* parent);

private:
    std::unique_ptr<TTKRootItem> root_;
    TrackButton trackButton_ = TrackButton::Left;
    TTKPopupAlignment alignment_ = TTKPopupAlignment::Left;
};

} // namespace quarn
