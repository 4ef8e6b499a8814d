#include "toolbars/items/TTKCustomItem.h"

#include "toolbars/items/TTKCommon.h"
#include "toolbars/items/TTKCustomItemActionLink.h"
#include "toolbars/items/TTKPopupSeam.h"

#include <QAction>

namespace quarn {

void CountItem(int delta);

namespace {

// Deeper chains of embedded groups and links than this are a broken tree, not a menu.
constexpr int kMaxNoticeDepth = 32;

} // namespace

TTKCustomItem::TTKCustomItem() {
    CountItem(1);
}

TTKCustomItem::~TTKCustomItem() {
    // Items that show this one's children through a link show their own again.
    if (linkedBy_) {
        const std::vector<QPointer<TTKCustomItem>> linkers = *linkedBy_;
        for (const QPointer<TTKCustomItem>& linker : linkers) {
            if (linker) {
                linker->SetLinkSubitems(nullptr);
            }
        }
    }
    // The children go last first; each leaves this list as it goes.
    while (!children_.empty()) {
        delete children_.back();
    }
    if (parent_) {
        parent_->Remove(this);
    }
    if (linkSubitems_) {
        ListRemoveAndFree(linkSubitems_->linkedBy_, QPointer<TTKCustomItem>(this));
    }
    actionLink_.reset();
    CountItem(-1);
}

TTKCustomItem* TTKCustomItem::Items(int index) const {
    CheckIndex(index, Count() - 1);
    return children_[static_cast<std::size_t>(index)];
}

void TTKCustomItem::CheckIndex(int index, int last) const {
    if (index < 0 || index > last) {
        throw ETKItemError(kTextItemIndexOutOfRange);
    }
}

void TTKCustomItem::Add(TTKCustomItem* item) {
    Insert(Count(), item);
}

void TTKCustomItem::Insert(int index, TTKCustomItem* item) {
    QUARN_ASSERT(item != nullptr, "TTKItem");
    // Putting an item below itself would make the tree a circle that no walk ever leaves.
    bool cycle = false;
    for (const TTKCustomItem* up = this; up; up = up->parent_) {
        cycle = cycle || up == item;
    }
    if (item->parent_ || cycle) {
        throw ETKItemError(kTextItemAlreadyInserted);
    }
    CheckIndex(index, Count());
    children_.insert(children_.begin() + index, item);
    item->parent_ = this;
    Notify(TTKItemChangeKind::BeginUpdate, nullptr, -1);
    Notify(TTKItemChangeKind::Inserting, item, index);
    item->RecalcOptions();
    Notify(TTKItemChangeKind::EndUpdate, nullptr, -1);
}

void TTKCustomItem::Delete(int index) {
    CheckIndex(index, Count() - 1);
    TTKCustomItem* item = children_[static_cast<std::size_t>(index)];
    Notify(TTKItemChangeKind::Deleting, item, index);
    // A listener may have changed the list meanwhile: remove the item wherever it is now.
    const int now = IndexOf(item);
    if (now >= 0) {
        children_.erase(children_.begin() + now);
    }
    item->parent_ = nullptr;
}

int TTKCustomItem::IndexOf(const TTKCustomItem* item) const {
    for (std::size_t i = 0; i < children_.size(); ++i) {
        if (children_[i] == item) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void TTKCustomItem::Remove(TTKCustomItem* item) {
    const int index = IndexOf(item);
    if (index >= 0) {
        Delete(index);
    }
}

void TTKCustomItem::Move(int curIndex, int newIndex) {
    if (curIndex == newIndex) {
        return;
    }
    // Both indices are checked before anything happens, so a wrong one cannot drop the item.
    CheckIndex(curIndex, Count() - 1);
    CheckIndex(newIndex, Count() - 1);
    TTKCustomItem* item = children_[static_cast<std::size_t>(curIndex)];
    Notify(TTKItemChangeKind::BeginUpdate, nullptr, -1);
    Delete(curIndex);
    Insert(newIndex, item);
    Notify(TTKItemChangeKind::EndUpdate, nullptr, -1);
}

void TTKCustomItem::AddViewListener(ITTKItemChangeListener* listener) {
    if (!listeners_) {
        listeners_ = std::make_unique<std::vector<ListenerEntry>>();
    }
    for (ListenerEntry& entry : *listeners_) {
        if (entry.listener == listener) {
            ++entry.count;
            return;
        }
    }
    listeners_->push_back({listener, 1});
}

void TTKCustomItem::RemoveViewListener(ITTKItemChangeListener* listener) {
    if (!listeners_) {
        return;
    }
    for (auto entry = listeners_->begin(); entry != listeners_->end(); ++entry) {
        if (entry->listener == listener) {
            if (--entry->count == 0) {
                listeners_->erase(entry);
            }
            break;
        }
    }
    if (listeners_->empty()) {
        listeners_.reset();
    }
}

void TTKCustomItem::Notify(TTKItemChangeKind kind, TTKCustomItem* item, int index) {
    DispatchNotice(kind, this, false, item, index, 0);
}

void TTKCustomItem::DispatchNotice(TTKItemChangeKind kind, TTKCustomItem* ancestor, bool relayed,
                                   TTKCustomItem* item, int index, int depth) {
    if (depth > kMaxNoticeDepth) {
        return;
    }
    QPointer<TTKCustomItem> guard(this);
    if ((styleBits_ & tbis::EmbeddedGroup) && parent_) {
        parent_->DispatchNotice(kind, ancestor, relayed, item, index, depth + 1);
    }
    if (!guard) {
        return;
    }
    WalkListeners(kind, ancestor, relayed, item, index);
    if (!guard || !linkedBy_) {
        return;
    }
    const std::vector<QPointer<TTKCustomItem>> linkers = *linkedBy_;
    for (const QPointer<TTKCustomItem>& linker : linkers) {
        if (linker) {
            linker->DispatchNotice(kind, ancestor, true, item, index, depth + 1);
        }
    }
}

void TTKCustomItem::WalkListeners(TTKItemChangeKind kind, TTKCustomItem* ancestor, bool relayed,
                                  TTKCustomItem* item, int index) {
    // A listener may leave during its call, and with the last one the list itself goes: the list and its
    // count are read afresh after every call, and the index moves on only when the entry stayed.
    std::size_t position = 0;
    while (listeners_ && position < listeners_->size()) {
        ITTKItemChangeListener* listener = (*listeners_)[position].listener;
        listener->ItemNotification(kind, ancestor, relayed, item, index);
        if (listeners_ && position < listeners_->size() && (*listeners_)[position].listener == listener) {
            ++position;
        }
    }
}

TTKCustomItem* TTKCustomItem::ShownItem() {
    return linkSubitems_ ? linkSubitems_.data() : this;
}

void TTKCustomItem::NotifyChange(bool needResize) {
    if (!parent_) {
        return;
    }
    parent_->Notify(needResize ? TTKItemChangeKind::InvalidateAndResize : TTKItemChangeKind::Invalidate, this,
                    parent_->IndexOf(this));
}

void TTKCustomItem::NotifyPopup(TTKCustomItem* sender, bool fromLink) {
    if (OnPopup) {
        OnPopup(sender, fromLink);
    }
    if (!(styleBits_ & tbis::Combo)) {
        Click();
    }
}

TTKPopupPlace TTKCustomItem::PlacePopup(const TTKPopupPlacement& placement, QPoint start) const {
    return quarn::PlacePopup(placement, start);
}

void TTKCustomItem::NotifyEnabledChange() {
    NotifyChange(false);
}

void TTKCustomItem::Click() {
    QAction* action = Action();
    if (autoCheck_ && !(actionLink_ && actionLink_->IsAutoCheckLinked())) {
        SetChecked(!checked_);
    }
    if (OnClick && action) {
        OnClick(this);
        return;
    }
    if (action) {
        actionLink_->Execute();
        return;
    }
    if (OnClick) {
        OnClick(this);
    }
}

TTKItemViewerClass TTKCustomItem::ViewerClass(const TTKView&) const {
    return &TTKItemViewer::Create;
}

bool TTKCustomItem::ViewerClassChanged(const TTKItemViewer&) const {
    return false;
}

void TTKCustomItem::UpdateAction() {
    if (actionLink_) {
        actionLink_->Update();
    }
}

QWidget* TTKCustomItem::ShowSubmenu(const TTKSubmenuRequest& request) {
    QPointer<TTKCustomItem> guard(this);
    if (TTKCustomItem* shown = ShownItem(); shown != this) {
        shown->NotifyPopup(this, true);
    }
    if (guard) {
        NotifyPopup(this, false);
    }
    ITTKPopupFactory* factory = PopupFactory();
    if (!guard || !factory) {
        return nullptr;
    }
    return factory->CreateSubmenu(*this, request);
}

bool TTKCustomItem::ShowAsPopup(const QPoint& point, bool trackRightButton, TTKPopupAlignment alignment) {
    ITTKPopupFactory* factory = PopupFactory();
    if (!factory) {
        return false;
    }
    PerformMenuOutcome(factory->RunPopupMenu(*this, point, trackRightButton, alignment));
    return true;
}

void TTKCustomItem::SetName(const QString& name) {
    if (name == objectName()) {
        return;
    }
    setObjectName(name);
    if (parent_) {
        parent_->Notify(TTKItemChangeKind::NameChanged, this, parent_->IndexOf(this));
    }
}

} // namespace quarn
