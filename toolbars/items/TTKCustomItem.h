#pragma once

#include "toolbars/items/TTKCustomImageList.h"
#include "toolbars/items/TTKItemTypes.h"
#include "toolbars/items/TTKItemViewer.h"
#include "toolbars/items/TTKPlacePopup.h"

#include <QKeySequence>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QKeyEvent;
class QWidget;

namespace quarn {

class TTKCustomItemActionLink;
class TTKView;
struct TTKSubmenuRequest;

// One toolbar button, menu entry, separator or hosted control: a node of the item tree. Items know no
// windows; they hold the properties, keep their children, tell the views that show them about every
// change, run their click and find shortcut keys.
//
// Ownership: an item owns its children (freed last first with it); Delete and Remove hand a child back
// to the caller. An item that goes into a tree must have no QObject parent.
class TTKCustomItem : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TTKCustomItem* sender)>;
    using TTKPopupEvent = std::function<void(TTKCustomItem* sender, bool fromLink)>;
    using TTKSelectEvent = std::function<void(TTKCustomItem* sender, QObject* viewer, bool selecting)>;

    TTKCustomItem();
    ~TTKCustomItem() override;
    TTKCustomItem(const TTKCustomItem&) = delete;
    TTKCustomItem& operator=(const TTKCustomItem&) = delete;

    // The tree.
    int Count() const { return static_cast<int>(children_.size()); }
    TTKCustomItem* Items(int index) const;
    TTKCustomItem* Parent() const { return parent_; }
    void Add(TTKCustomItem* item);
    void Insert(int index, TTKCustomItem* item);
    void Delete(int index);
    int IndexOf(const TTKCustomItem* item) const;
    void Remove(TTKCustomItem* item);
    void Move(int curIndex, int newIndex);
    // Makes an item of type T, adds it and returns it; the tree owns it.
    template <typename T, typename... Args> T* AddNew(Args&&... args) {
        auto item = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = item.get();
        Add(raw);
        item.release();
        return raw;
    }

    void AddViewListener(ITTKItemChangeListener* listener);
    void RemoveViewListener(ITTKItemChangeListener* listener);

    // Properties.
    QAction* Action() const;
    void SetAction(QAction* action);
    bool AutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }
    const QString& Caption() const { return caption_; }
    void SetCaption(const QString& value);
    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    TTKItemDisplayMode DisplayMode() const { return displayMode_; }
    void SetDisplayMode(TTKItemDisplayMode value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int value) { helpContext_ = value; }
    const QString& Hint() const { return hint_; }
    void SetHint(const QString& value) { hint_ = value; }
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    TTKCustomImageList* Images() const { return images_; }
    void SetImages(TTKCustomImageList* value);
    bool InheritOptions() const { return inheritOptions_; }
    void SetInheritOptions(bool value);
    TTKItemOptions MaskOptions() const { return maskOptions_; }
    void SetMaskOptions(TTKItemOptions value);
    TTKItemOptions Options() const { return options_; }
    void SetOptions(TTKItemOptions value);
    TTKItemOptions EffectiveOptions() const { return effectiveOptions_; }
    const QKeySequence& ShortCut() const { return shortCut_; }
    void SetShortCut(const QKeySequence& value) { shortCut_ = value; }
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    TTKCustomImageList* SubMenuImages() const { return subMenuImages_; }
    void SetSubMenuImages(TTKCustomImageList* value);
    TTKCustomItem* LinkSubitems() const { return linkSubitems_; }
    void SetLinkSubitems(TTKCustomItem* value);
    // The renamed item tells its parent's views; the QObject name is the item's name.
    void SetName(const QString& name);

    TNotifyEvent OnClick;
    TTKSelectEvent OnSelect;
    TTKPopupEvent OnPopup;

    std::uint16_t StyleBits() const { return styleBits_; }
    // The list shown as this item's children: the linked item's when there is one.
    TTKCustomItem* ShownItem();

    // Operations the item kinds refine.
    virtual void NotifyChange(bool needResize);
    // Opens the submenu pop-up; the window comes from the installed pop-up factory.
    virtual QWidget* ShowSubmenu(const TTKSubmenuRequest& request);
    virtual void NotifyPopup(TTKCustomItem* sender, bool fromLink);
    virtual void NotifyEnabledChange();
    // Fits the item's pop-up, starting at `start`, onto the monitor beside its parent.
    virtual TTKPopupPlace PlacePopup(const TTKPopupPlacement& placement, QPoint start) const;
    virtual void Click();
    virtual void UpdateAction();
    // The view whose hidden items this item's pop-up shows; none but for the chevron.
    virtual TTKView* HiddenItemsSourceView() const { return nullptr; }
    // The maker of this item's viewers in `view`.
    virtual TTKItemViewerClass ViewerClass(const TTKView& view) const;
    // Whether `viewer` is no longer of the class the item would make for its view now.
    virtual bool ViewerClassChanged(const TTKItemViewer& viewer) const;

    // Shows the children as a modal pop-up at a screen point, runs the menu loop and then carries out
    // what the loop decided. False when no menu loop is installed.
    bool ShowAsPopup(const QPoint& point, bool trackRightButton, TTKPopupAlignment alignment);
    // Clicks the item below whose shortcut the key is; true when one was clicked.
    bool HandleShortCut(QKeyCombination key);
    bool HandleShortCut(const QKeyEvent& event);
    // The caption's text after a TAB, else the shortcut's text.
    QString ShortCutText() const;
    // The short part of the hint.
    QString HintWithShortCut() const;

protected:
    void SetStyleBits(std::uint16_t bits) { styleBits_ = bits; }
    // Sends a notice to the views of this item (and of the items that show it through a link).
    void Notify(TTKItemChangeKind kind, TTKCustomItem* item, int index);

private:
    friend class TTKCustomItemActionLink;
    struct ListenerEntry {
        ITTKItemChangeListener* listener;
        int count;
    };

    void CheckIndex(int index, int last) const;
    void RecalcOptions();
    void UncheckGroupSiblings();
    void ImagesChanged(TTKCustomImageList* list, int& lastWidth, int& lastHeight, bool subMenu);
    void WatchImages(QPointer<TTKCustomImageList>& slot, TTKCustomImageList* value,
                     QMetaObject::Connection (&connections)[2], bool subMenu);
    void DispatchNotice(TTKItemChangeKind kind, TTKCustomItem* ancestor, bool relayed, TTKCustomItem* item,
                        int index, int depth);
    void WalkListeners(TTKItemChangeKind kind, TTKCustomItem* ancestor, bool relayed, TTKCustomItem* item,
                       int index);

    std::vector<TTKCustomItem*> children_;
    TTKCustomItem* parent_ = nullptr;
    std::unique_ptr<std::vector<ListenerEntry>> listeners_;
    std::unique_ptr<std::vector<QPointer<TTKCustomItem>>> linkedBy_;
    std::unique_ptr<TTKCustomItemActionLink> actionLink_;

    bool autoCheck_ = false;
    QString caption_;
    bool checked_ = false;
    TTKItemDisplayMode displayMode_ = TTKItemDisplayMode::nbdmDefault;
    bool enabled_ = true;
    int groupIndex_ = 0;
    int helpContext_ = 0;
    QString hint_;
    int imageIndex_ = -1;
    QPointer<TTKCustomImageList> images_;
    QPointer<TTKCustomImageList> subMenuImages_;
    // The list's change and its destruction.
    QMetaObject::Connection imagesConnection_[2];
    QMetaObject::Connection subMenuImagesConnection_[2];
    int imagesWidth_ = 0;
    int imagesHeight_ = 0;
    int subMenuImagesWidth_ = 0;
    int subMenuImagesHeight_ = 0;
    bool inheritOptions_ = true;
    TTKItemOptions maskOptions_ = 0;
    TTKItemOptions options_ = 0;
    TTKItemOptions effectiveOptions_ = 0;
    QKeySequence shortCut_;
    bool visible_ = true;
    QPointer<TTKCustomItem> linkSubitems_;
    std::uint16_t styleBits_ = tbis::Selectable | tbis::RedrawOnSelChange | tbis::RedrawOnMouseOverChange;
};

} // namespace quarn
