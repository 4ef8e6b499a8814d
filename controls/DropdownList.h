#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace quarn {

// The process's one keeper of the buttons' drop-down menus: while an item of one of them is under the
// mouse its hint is the status text of the window the menu was dropped from, and cleared when the menu
// closes. There are no help pop-ups, so the help key on an item shows nothing.
class TDropdownList : public QObject {
public:
    static TDropdownList& Instance();

    // Keeps `menu` (and its submenus) until it is destroyed; adding it again does nothing.
    void Add(QMenu* menu);
    int Count() const;

    // Shows `menu` at `at` (screen) for `owner` and returns when it has closed. With `removeClicks`, the
    // mouse clicks made meanwhile are sorted out: those aimed at the owner are dropped (so the click that
    // closed the menu does not open it again), every other one reaches its widget afterwards, in order.
    void Popup(QMenu& menu, QWidget& owner, QPoint at, bool removeClicks);

private:
    TDropdownList() = default;
    void Hovered(QAction* action);
    void ShowStatusText(const QString& text);

    std::vector<QPointer<QMenu>> menus_;
    QPointer<QWidget> owner_;
};

} // namespace quarn
