#include "controls/DropdownList.h"

#include "platform/Exception.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QTimer>
#include <algorithm>
#include <memory>

namespace quarn {

namespace {

bool IsMouseButtonEvent(QEvent::Type type) {
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick;
}

bool IsInPopup(const QObject* target) {
    const auto* widget = qobject_cast<const QWidget*>(target);
    return widget && widget->window()->windowType() == Qt::Popup;
}

// Qt cannot take events out of its queue, so the clicks made while a drop-down menu is open are caught
// on their way instead: those for the button are dropped, the others held and handed on in their order
// once the menu has closed. For one more turn of the event loop clicks for the button are still dropped,
// for a click that closed the menu may arrive just after it.
class TClickRemover : public QObject {
public:
    TClickRemover(QWidget& button, QObject* owner) : QObject(owner), button_(&button) {
        qApp->installEventFilter(this);
    }

    void MenuClosed() {
        open_ = false;
        for (Held& held : held_) {
            if (held.target) {
                QCoreApplication::postEvent(held.target, held.event.release());
            }
        }
        held_.clear();
        QTimer::singleShot(0, this, [this] {
            qApp->removeEventFilter(this);
            deleteLater();
        });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!IsMouseButtonEvent(event->type()) || !watched->isWidgetType() || IsInPopup(watched)) {
            return false;
        }
        if (button_ && (watched == button_ || button_->isAncestorOf(static_cast<QWidget*>(watched)))) {
            return true;
        }
        if (open_) {
            held_.push_back({watched, std::unique_ptr<QEvent>(event->clone())});
            return true;
        }
        return false;
    }

private:
    struct Held {
        QPointer<QObject> target;
        std::unique_ptr<QEvent> event;
    };
    QPointer<QWidget> button_;
    std::vector<Held> held_;
    bool open_ = true;
};

} // namespace

TDropdownList& TDropdownList::Instance() {
    static TDropdownList* instance = [] {
        QUARN_ASSERT(QCoreApplication::instance() != nullptr, "Button97");
        auto* list = new TDropdownList();
        list->setParent(QCoreApplication::instance());
        return list;
    }();
    return *instance;
}

void TDropdownList::Add(QMenu* menu) {
    std::erase_if(menus_, [](const QPointer<QMenu>& kept) { return kept.isNull(); });
    if (!menu || std::find(menus_.begin(), menus_.end(), menu) != menus_.end()) {
        return;
    }
    menus_.emplace_back(menu);
    connect(menu, &QMenu::hovered, this, [this](QAction* action) { Hovered(action); });
    connect(menu, &QMenu::aboutToHide, this, [this] { ShowStatusText({}); });
    for (QAction* action : menu->actions()) {
        if (action->menu()) {
            Add(action->menu());
        }
    }
}

int TDropdownList::Count() const {
    return static_cast<int>(std::count_if(menus_.begin(), menus_.end(),
                                          [](const QPointer<QMenu>& kept) { return !kept.isNull(); }));
}

void TDropdownList::Hovered(QAction* action) {
    ShowStatusText(action ? action->statusTip() : QString());
}

void TDropdownList::ShowStatusText(const QString& text) {
    if (owner_) {
        QStatusTipEvent tip(text);
        QCoreApplication::sendEvent(owner_, &tip);
    }
}

void TDropdownList::Popup(QMenu& menu, QWidget& owner, QPoint at, bool removeClicks) {
    Add(&menu);
    owner_ = &owner;
    TClickRemover* remover = removeClicks ? new TClickRemover(owner, this) : nullptr;
    const QPointer<TClickRemover> guard(remover);
    menu.exec(at);
    if (guard) {
        guard->MenuClosed();
    }
    ShowStatusText({});
}

} // namespace quarn
