#pragma once

#include "toolbars/items/TTKCustomItem.h"

#include <functional>
#include <vector>

namespace quarn::test {

// A view that writes down every notice it is told.
struct Notice {
    TTKItemChangeKind kind;
    TTKCustomItem* ancestor;
    bool relayed;
    TTKCustomItem* item;
    int index;
};

class ItemRecorder : public ITTKItemChangeListener {
public:
    std::vector<Notice> notices;
    std::function<void()> onNotice;

    void ItemNotification(TTKItemChangeKind kind, TTKCustomItem* ancestor, bool relayed, TTKCustomItem* item,
                          int index) override {
        notices.push_back({kind, ancestor, relayed, item, index});
        if (onNotice) {
            onNotice();
        }
    }

    std::vector<TTKItemChangeKind> Kinds() const {
        std::vector<TTKItemChangeKind> kinds;
        for (const Notice& notice : notices) {
            kinds.push_back(notice.kind);
        }
        return kinds;
    }
};

} // namespace quarn::test
