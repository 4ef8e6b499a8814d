#include "toolbars/items/TTKCustomItemActionLink.h"

#include "toolbars/items/TTKCustomItem.h"

#include <QAction>
#include <QEvent>
#include <QVariant>

namespace quarn {

namespace {

int IntProperty(const QAction& action, const char* name, int fallback) {
    const QVariant value = action.property(name);
    bool ok = false;
    const int number = value.toInt(&ok);
    return value.isValid() && ok ? number : fallback;
}

} // namespace

TTKCustomItemActionLink::TTKCustomItemActionLink(TTKCustomItem& item, QAction& action)
    : item_(item), action_(&action) {
    seen_ = ReadAction();
    // A newly linked action gives the item all its values.
    item_.SetCaption(seen_.caption);
    item_.SetChecked(seen_.checked);
    item_.SetEnabled(seen_.enabled);
    item_.SetHelpContext(seen_.helpContext);
    item_.SetHint(seen_.hint);
    item_.SetImageIndex(seen_.imageIndex);
    item_.SetShortCut(seen_.shortCut);
    item_.SetVisible(seen_.visible);
    item_.SetAutoCheck(seen_.autoCheck);
    connect(&action, &QAction::changed, this, &TTKCustomItemActionLink::ActionChanged);
    // Removing the action by its destruction frees the link; the item is the receiver, so the link is
    // never freed inside its own slot.
    connect(&action, &QObject::destroyed, &item_, [item = &item_] { item->SetAction(nullptr); });
    action.installEventFilter(this);
}

TTKCustomItemActionLink::~TTKCustomItemActionLink() {
    if (action_) {
        action_->removeEventFilter(this);
        disconnect(action_, nullptr, &item_, nullptr);
    }
}

void TTKCustomItemActionLink::Execute() {
    if (action_) {
        action_->trigger();
    }
}

void TTKCustomItemActionLink::Update() {
    ActionChanged();
}

bool TTKCustomItemActionLink::IsAutoCheckLinked() const {
    return action_ && action_->isCheckable() == item_.AutoCheck();
}

bool TTKCustomItemActionLink::eventFilter(QObject* watched, QEvent* event) {
    if (watched == action_ && event->type() == QEvent::DynamicPropertyChange) {
        ActionChanged();
    }
    return false;
}

TTKCustomItemActionLink::Values TTKCustomItemActionLink::ReadAction() const {
    Values values;
    values.caption = action_->text();
    values.checked = action_->isChecked();
    values.enabled = action_->isEnabled();
    values.helpContext = IntProperty(*action_, "HelpContext", 0);
    values.hint = action_->toolTip();
    values.imageIndex = IntProperty(*action_, "ImageIndex", -1);
    values.shortCut = action_->shortcut();
    values.visible = action_->isVisible();
    values.autoCheck = action_->isCheckable();
    return values;
}

void TTKCustomItemActionLink::ActionChanged() {
    if (!action_) {
        return;
    }
    const Values now = ReadAction();
    const Values old = seen_;
    seen_ = now;
    // Each value follows only while it is linked: the item still shows what the action had.
    if (item_.Caption() == old.caption) {
        item_.SetCaption(now.caption);
    }
    if (item_.Checked() == old.checked) {
        item_.SetChecked(now.checked);
    }
    if (item_.Enabled() == old.enabled) {
        item_.SetEnabled(now.enabled);
    }
    if (item_.HelpContext() == old.helpContext) {
        item_.SetHelpContext(now.helpContext);
    }
    if (item_.Hint() == old.hint) {
        item_.SetHint(now.hint);
    }
    if (item_.ImageIndex() == old.imageIndex) {
        item_.SetImageIndex(now.imageIndex);
    }
    if (item_.ShortCut() == old.shortCut) {
        item_.SetShortCut(now.shortCut);
    }
    if (item_.Visible() == old.visible) {
        item_.SetVisible(now.visible);
    }
    if (item_.AutoCheck() == old.autoCheck) {
        item_.SetAutoCheck(now.autoCheck);
    }
}

} // namespace quarn
