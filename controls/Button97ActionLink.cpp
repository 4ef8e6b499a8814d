#include "controls/Button97ActionLink.h"

#include "controls/Button97.h"

#include <QAction>
#include <QEvent>

namespace quarn {

TButton97ActionLink::TButton97ActionLink(TButton97& button, QAction& action)
    : button_(button), action_(&action) {
    connect(&action, &QAction::changed, this, [this] { ActionChange(false); });
    connect(&action, &QObject::destroyed, this, [this] { seen_ = Seen(); });
    // The image index and help context are properties of their own, which QAction::changed does not
    // cover.
    action.installEventFilter(this);
    ActionChange(true);
}

TButton97ActionLink::~TButton97ActionLink() {
    if (action_) {
        action_->removeEventFilter(this);
    }
}

TButton97ActionLink::Seen TButton97ActionLink::Read() const {
    Seen seen;
    seen.caption = action_->text();
    seen.hint = action_->toolTip();
    seen.enabled = action_->isEnabled();
    seen.visible = action_->isVisible();
    seen.checked = action_->isChecked();
    const QVariant help = action_->property("HelpContext");
    seen.helpContext = help.isValid() ? help.toInt() : 0;
    const QVariant image = action_->property("ImageIndex");
    seen.imageIndex = image.isValid() ? image.toInt() : -1;
    return seen;
}

void TButton97ActionLink::ActionChange(bool defaults) {
    if (!action_) {
        return;
    }
    const Seen before = defaults ? Seen() : seen_;
    const Seen now = Read();
    seen_ = now;
    if (defaults ? button_.Caption().isEmpty() : button_.Caption() == before.caption) {
        button_.SetCaption(now.caption);
    }
    if (defaults ? button_.Hint().isEmpty() : button_.Hint() == before.hint) {
        button_.SetHint(now.hint);
    }
    if (defaults ? button_.isEnabled() : button_.isEnabled() == before.enabled) {
        button_.setEnabled(now.enabled);
    }
    if (!defaults && button_.isVisibleTo(button_.parentWidget()) == before.visible) {
        button_.setVisible(now.visible);
    }
    if (defaults ? !button_.Down() : button_.Down() == before.checked) {
        button_.SetDown(now.checked);
    }
    if (button_.HelpContext() == before.helpContext) {
        button_.SetHelpContext(now.helpContext);
    }
    if (button_.ImageIndex() == before.imageIndex) {
        button_.SetImageIndex(now.imageIndex);
    }
}

bool TButton97ActionLink::eventFilter(QObject* watched, QEvent* event) {
    if (watched == action_ && event->type() == QEvent::DynamicPropertyChange) {
        ActionChange(false);
    }
    return false;
}

void TButton97ActionLink::Execute() {
    if (action_ && action_->isEnabled()) {
        action_->trigger();
    }
}

bool TButton97ActionLink::IsCheckedLinked() const {
    return action_ && button_.Down() == action_->isChecked();
}

bool TButton97ActionLink::IsHelpContextLinked() const {
    return action_ && button_.HelpContext() == seen_.helpContext;
}

bool TButton97ActionLink::IsImageIndexLinked() const {
    return action_ && button_.ImageIndex() == seen_.imageIndex;
}

void TButton97ActionLink::AssignTo(QAction& action) const {
    action.setChecked(button_.Down());
    action.setText(button_.Caption());
    action.setEnabled(button_.isEnabled());
    action.setToolTip(button_.toolTip());
    action.setProperty("HelpContext", button_.HelpContext());
    action.setProperty("ImageIndex", button_.ImageIndex());
}

} // namespace quarn
