#pragma once

#include "toolbars/items/TTKItemTypes.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>

class QWidget;

namespace quarn {

class TTKCustomItem;

// How a submenu is to be opened: under a viewer of a parent view or, without a view, at a screen point.
struct TTKSubmenuRequest {
    QObject* parentView = nullptr;
    QObject* parentViewer = nullptr;
    TTKPopupAlignment alignment = TTKPopupAlignment::Left;
    QPoint point;
    bool customizing = false;
    bool selectFirst = false;
    bool positionAsSubmenu = false;
};

// What the menu loop decided.
struct TTKMenuOutcome {
    enum class Kind : std::uint8_t { None = 0, Click = 1, SystemMenu = 2, Help = 3 };
    Kind kind = Kind::None;
    QPointer<TTKCustomItem> item;
    bool playSound = false;
};

// Where the pop-up windows and the menu loop plug into the item model. The items call it; the pop-up
// window unit installs its implementation at start and removes it at its end.
class ITTKPopupFactory {
public:
    // Creates, places and shows the pop-up window of `item`'s children; the item has told its OnPopup
    // handlers already. The caller owns the window.
    virtual QWidget* CreateSubmenu(TTKCustomItem& item, const TTKSubmenuRequest& request) = 0;
    // Opens `item`'s children at a screen point, runs the menu loop to its end, frees the window and
    // returns the loop's decision.
    virtual TTKMenuOutcome RunPopupMenu(TTKCustomItem& item, const QPoint& point, bool trackRightButton,
                                        TTKPopupAlignment alignment) = 0;

protected:
    ~ITTKPopupFactory() = default;
};

void SetPopupFactory(ITTKPopupFactory* factory);
ITTKPopupFactory* PopupFactory();

// The application's help for an item chosen with F1 in a menu (its HelpContext); none by default.
void SetMenuHelpHook(std::function<void(int helpContext)> hook);

// Carries out a menu loop's decision: a click is posted, so it runs after every pop-up has closed.
void PerformMenuOutcome(const TTKMenuOutcome& outcome);

// Remembers the item and posts its click to the kit's hidden click object; a later post replaces the
// item, a freed item is not clicked.
void PostItemClick(TTKCustomItem* item);
// Whether the hidden click object exists (it goes with the thread's last item).
bool ClickObjectExists();

} // namespace quarn
