#include "toolbars/items/TTKCommon.h"
#include "toolbars/items/TTKCustomImageList.h"
#include "toolbars/items/TTKCustomItem.h"
#include "toolbars/items/TTKCustomItemActionLink.h"

#include <QAction>

namespace quarn {

namespace {

// Options whose change alters the look or size; the hint options alone need no repaint.
constexpr TTKItemOptions kLayoutOptions = 0xD7;

TTKItemOptions WithoutLoneToolbarSize(TTKItemOptions options) {
    if (!HasOption(options, tboToolbarStyle)) {
        options &= static_cast<TTKItemOptions>(~OptionBit(tboToolbarSize));
    }
    return options;
}

} // namespace

void TTKCustomItem::SetCaption(const QString& value) {
    if (caption_ == value) {
        return;
    }
    caption_ = value;
    NotifyChange(true);
}

void TTKCustomItem::SetDisplayMode(TTKItemDisplayMode value) {
    if (displayMode_ == value) {
        return;
    }
    displayMode_ = value;
    NotifyChange(true);
}

void TTKCustomItem::SetVisible(bool value) {
    if (visible_ == value) {
        return;
    }
    visible_ = value;
    NotifyChange(true);
}

void TTKCustomItem::SetChecked(bool value) {
    if (checked_ == value) {
        return;
    }
    checked_ = value;
    NotifyChange(false);
    if (checked_) {
        UncheckGroupSiblings();
    }
}

void TTKCustomItem::SetGroupIndex(int value) {
    if (groupIndex_ == value) {
        return;
    }
    groupIndex_ = value;
    if (checked_) {
        UncheckGroupSiblings();
    }
}

void TTKCustomItem::UncheckGroupSiblings() {
    if (groupIndex_ == 0 || !parent_) {
        return;
    }
    // A copy: an unchecked sibling's listeners may change the list.
    const std::vector<TTKCustomItem*> siblings = parent_->children_;
    for (TTKCustomItem* sibling : siblings) {
        if (sibling != this && sibling->groupIndex_ == groupIndex_) {
            sibling->SetChecked(false);
        }
    }
}

void TTKCustomItem::SetEnabled(bool value) {
    if (enabled_ == value) {
        return;
    }
    enabled_ = value;
    NotifyEnabledChange();
}

void TTKCustomItem::SetImageIndex(int value) {
    if (imageIndex_ == value) {
        return;
    }
    const bool resize = (imageIndex_ == -1) != (value == -1);
    imageIndex_ = value;
    NotifyChange(resize);
}

void TTKCustomItem::WatchImages(QPointer<TTKCustomImageList>& slot, TTKCustomImageList* value,
                                QMetaObject::Connection (&connections)[2], bool subMenu) {
    for (QMetaObject::Connection& connection : connections) {
        disconnect(connection);
        connection = {};
    }
    slot = value;
    if (!value) {
        return;
    }
    const auto changed = [this, subMenu] {
        if (subMenu) {
            ImagesChanged(subMenuImages_, subMenuImagesWidth_, subMenuImagesHeight_, true);
        } else {
            ImagesChanged(images_, imagesWidth_, imagesHeight_, false);
        }
    };
    connections[0] = connect(value, &TTKCustomImageList::Changed, this, changed);
    // A freed list leaves the item without images: it is laid out anew.
    connections[1] = connect(value, &QObject::destroyed, this, [this, subMenu] {
        if (subMenu) {
            subMenuImages_.clear();
            ImagesChanged(nullptr, subMenuImagesWidth_, subMenuImagesHeight_, true);
        } else {
            images_.clear();
            ImagesChanged(nullptr, imagesWidth_, imagesHeight_, false);
        }
    });
}

void TTKCustomItem::ImagesChanged(TTKCustomImageList* list, int& lastWidth, int& lastHeight, bool subMenu) {
    const int width = list ? list->Width() : 0;
    const int height = list ? list->Height() : 0;
    const bool sizeChanged = !list || width != lastWidth || height != lastHeight;
    lastWidth = width;
    lastHeight = height;
    if (subMenu) {
        Notify(TTKItemChangeKind::SubMenuImagesChanged, nullptr, -1);
    } else {
        NotifyChange(sizeChanged);
    }
}

void TTKCustomItem::SetImages(TTKCustomImageList* value) {
    if (images_ == value) {
        return;
    }
    WatchImages(images_, value, imagesConnection_, false);
    ImagesChanged(value, imagesWidth_, imagesHeight_, false);
}

void TTKCustomItem::SetSubMenuImages(TTKCustomImageList* value) {
    if (subMenuImages_ == value) {
        return;
    }
    WatchImages(subMenuImages_, value, subMenuImagesConnection_, true);
    ImagesChanged(value, subMenuImagesWidth_, subMenuImagesHeight_, true);
}

void TTKCustomItem::SetLinkSubitems(TTKCustomItem* value) {
    if (value == this) {
        value = nullptr;
    }
    if (linkSubitems_ == value) {
        return;
    }
    if (linkSubitems_) {
        ListRemoveAndFree(linkSubitems_->linkedBy_, QPointer<TTKCustomItem>(this));
    }
    linkSubitems_ = value;
    if (value) {
        ListAddOnce(value->linkedBy_, QPointer<TTKCustomItem>(this));
    }
    Notify(TTKItemChangeKind::SubitemsChanged, nullptr, -1);
}

void TTKCustomItem::SetInheritOptions(bool value) {
    if (inheritOptions_ == value) {
        return;
    }
    inheritOptions_ = value;
    RecalcOptions();
}

void TTKCustomItem::SetMaskOptions(TTKItemOptions value) {
    if (maskOptions_ == value) {
        return;
    }
    maskOptions_ = value;
    RecalcOptions();
}

void TTKCustomItem::SetOptions(TTKItemOptions value) {
    value = WithoutLoneToolbarSize(value);
    if (options_ == value) {
        return;
    }
    options_ = value;
    RecalcOptions();
}

void TTKCustomItem::RecalcOptions() {
    TTKItemOptions base = 0;
    if (inheritOptions_ && parent_) {
        base = parent_->effectiveOptions_ & static_cast<TTKItemOptions>(~OptionBit(tboDefault));
    }
    const TTKItemOptions result =
        WithoutLoneToolbarSize(static_cast<TTKItemOptions>((base & ~maskOptions_) | options_));
    if (result == effectiveOptions_) {
        return;
    }
    const TTKItemOptions changed = result ^ effectiveOptions_;
    effectiveOptions_ = result;
    if (changed & kLayoutOptions) {
        NotifyChange(true);
    }
    const std::vector<TTKCustomItem*> children = children_;
    for (TTKCustomItem* child : children) {
        if (child->inheritOptions_) {
            child->RecalcOptions();
        }
    }
}

QAction* TTKCustomItem::Action() const {
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TTKCustomItem::SetAction(QAction* action) {
    if (Action() == action) {
        return;
    }
    actionLink_.reset();
    if (action) {
        actionLink_ = std::make_unique<TTKCustomItemActionLink>(*this, *action);
    }
}

QString TTKCustomItem::ShortCutText() const {
    const qsizetype tab = caption_.indexOf(u'\t');
    if (tab >= 0) {
        return caption_.mid(tab + 1);
    }
    return shortCut_.toString(QKeySequence::NativeText);
}

QString TTKCustomItem::HintWithShortCut() const {
    return hint_.section(u'|', 0, 0);
}

} // namespace quarn
