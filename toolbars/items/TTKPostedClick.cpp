#include "toolbars/items/TTKCustomItem.h"
#include "toolbars/items/TTKPopupSeam.h"
#include "toolbars/items/TTKSettings.h"

#include "foundation/UnhandledExceptionU.h"

#include <QCoreApplication>
#include <QEvent>
#include <memory>

namespace quarn {

namespace {

// The click message of the kit's hidden window.
const QEvent::Type kPostedClickEvent = static_cast<QEvent::Type>(QEvent::registerEventType(0x500));

class TTKClickObject : public QObject {
protected:
    bool event(QEvent* event) override;
};

struct ThreadClickState {
    QPointer<TTKCustomItem> remembered;
    std::unique_ptr<TTKClickObject> window;
    int itemCount = 0;
};

thread_local ThreadClickState clickState;

ITTKPopupFactory* popupFactory = nullptr;

std::function<void(int)>& HelpHook() {
    static std::function<void(int)> hook;
    return hook;
}

bool TTKClickObject::event(QEvent* event) {
    if (event->type() != kPostedClickEvent) {
        return QObject::event(event);
    }
    QPointer<TTKCustomItem> item = clickState.remembered;
    clickState.remembered.clear();
    if (item) {
        try {
            item->Click();
        } catch (...) {
            ReportUnhandledException(std::current_exception(), "TTKCustomItem", "Click", {});
        }
    }
    return true;
}

} // namespace

// Items count themselves per thread so that the click object goes with the last of them.
void CountItem(int delta) {
    clickState.itemCount += delta;
    if (clickState.itemCount == 0) {
        clickState.window.reset();
    }
}

void SetPopupFactory(ITTKPopupFactory* factory) {
    popupFactory = factory;
}

ITTKPopupFactory* PopupFactory() {
    return popupFactory;
}

void SetMenuHelpHook(std::function<void(int)> hook) {
    HelpHook() = std::move(hook);
}

void PostItemClick(TTKCustomItem* item) {
    if (!clickState.window) {
        clickState.window = std::make_unique<TTKClickObject>();
    }
    clickState.remembered = item;
    QCoreApplication::postEvent(clickState.window.get(), new QEvent(kPostedClickEvent));
}

bool ClickObjectExists() {
    return static_cast<bool>(clickState.window);
}

void PerformMenuOutcome(const TTKMenuOutcome& outcome) {
    switch (outcome.kind) {
    case TTKMenuOutcome::Kind::Click:
        if (!outcome.item) {
            return;
        }
        if (outcome.playSound) {
            KitSettings().PlaySoundEvent(QStringLiteral("MenuCommand"));
        }
        PostItemClick(outcome.item);
        return;
    case TTKMenuOutcome::Kind::Help:
        if (outcome.item && HelpHook()) {
            HelpHook()(outcome.item->HelpContext());
        }
        return;
    case TTKMenuOutcome::Kind::SystemMenu:
        // The window manager owns the window menu: the loop has simply ended.
    case TTKMenuOutcome::Kind::None:
        return;
    }
}

} // namespace quarn
