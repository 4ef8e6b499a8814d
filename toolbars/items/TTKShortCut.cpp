#include "toolbars/items/TTKCustomItem.h"

#include "foundation/UnhandledExceptionU.h"

#include <QKeyEvent>

namespace quarn {

namespace {

// Links followed on one path of the search; deeper ones are not searched.
constexpr int kMaxLinkDepth = 25;
// Handlers that rebuild their menus on every call could keep the search going for ever.
constexpr int kMaxRestarts = 8;

struct SearchResult {
    TTKCustomItem* hit = nullptr;
    // The direct child of the searched item on whose branch the hit lies; null for a direct child.
    TTKCustomItem* branch = nullptr;
};

TTKCustomItem* FollowLink(TTKCustomItem* item, int& links) {
    if (!item->LinkSubitems()) {
        return item;
    }
    if (++links > kMaxLinkDepth) {
        return nullptr;
    }
    return item->LinkSubitems();
}

TTKCustomItem* FindBelow(TTKCustomItem* item, const QKeySequence& key, int links) {
    TTKCustomItem* shown = FollowLink(item, links);
    if (!shown) {
        return nullptr;
    }
    for (int i = 0; i < shown->Count(); ++i) {
        TTKCustomItem* child = shown->Items(i);
        if (child->ShortCut() == key) {
            return child;
        }
        if (TTKCustomItem* hit = FindBelow(child, key, links)) {
            return hit;
        }
    }
    return nullptr;
}

SearchResult Search(TTKCustomItem* item, const QKeySequence& key) {
    int links = 0;
    TTKCustomItem* shown = FollowLink(item, links);
    if (!shown) {
        return {};
    }
    for (int i = 0; i < shown->Count(); ++i) {
        TTKCustomItem* child = shown->Items(i);
        if (child->ShortCut() == key) {
            return {child, nullptr};
        }
        if (TTKCustomItem* hit = FindBelow(child, key, links)) {
            return {hit, child};
        }
    }
    return {};
}

template <typename Call> void Guarded(const char* method, Call call) {
    try {
        call();
    } catch (...) {
        ReportUnhandledException(std::current_exception(), "TTKCustomItem", method, {});
    }
}

} // namespace

bool TTKCustomItem::HandleShortCut(const QKeyEvent& event) {
    return HandleShortCut(event.keyCombination());
}

bool TTKCustomItem::HandleShortCut(QKeyCombination keyCombination) {
    const QKeySequence key(keyCombination);
    if (key.isEmpty() || !Search(this, key).hit) {
        return false;
    }
    QPointer<TTKCustomItem> level(this);
    int restarts = 0;
    while (true) {
        if (!level->Enabled()) {
            return false;
        }
        // Handlers may fill or update the submenu before it is searched again.
        TTKCustomItem* shown = level->ShownItem();
        for (int i = 0; i < shown->Count(); ++i) {
            Guarded("UpdateAction", [&] { shown->Items(i)->UpdateAction(); });
            if (!level || i >= level->ShownItem()->Count()) {
                break;
            }
        }
        if (level && !(level->StyleBits() & tbis::EmbeddedGroup)) {
            QPointer<TTKCustomItem> linked = level->LinkSubitems();
            if (linked) {
                Guarded("NotifyPopup", [&] { linked->NotifyPopup(level, true); });
            }
            if (level) {
                Guarded("NotifyPopup", [&] { level->NotifyPopup(level, false); });
            }
        }
        SearchResult found = level ? Search(level, key) : SearchResult{};
        if (!found.hit) {
            // The handlers changed the tree: start again from the top.
            if (++restarts > kMaxRestarts || !Search(this, key).hit) {
                return false;
            }
            level = this;
            continue;
        }
        if (!found.branch) {
            if (!found.hit->Enabled()) {
                return false;
            }
            Guarded("Click", [&] { found.hit->Click(); });
            return true;
        }
        level = found.branch;
    }
}

} // namespace quarn
