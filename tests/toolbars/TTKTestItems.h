#pragma once

#include "toolbars/items/TTKItems.h"

#include <QString>

namespace quarn::test {

// An item that opens a submenu, as the submenu item kind does; the views and the menu loop are tested
// with it before that kind exists.
class SubmenuItem : public TTKItem {
public:
    explicit SubmenuItem(const QString& caption) : TTKItem(caption) {
        SetStyleBits(StyleBits() | tbis::Submenu);
    }
};

} // namespace quarn::test
