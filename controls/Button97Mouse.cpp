// The 97-style button under the mouse: the process's one hot button, pressing, repeating and clicking.
#include "controls/Button97.h"

#include "controls/Button97ActionLink.h"
#include "controls/DropdownList.h"
#include "controls/HookClients.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <algorithm>

namespace quarn {

namespace {

class TQtButton97Timer : public TButton97Timer {
public:
    TQtButton97Timer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTimeout) {
                onTimeout();
            }
        });
    }
    void Start(int intervalMs) override { timer_.start(intervalMs); }
    void Stop() override { timer_.stop(); }
    bool IsActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

// What every button of the process shares: the hot button and the timer that makes it leave when the
// mouse went elsewhere without telling it. Made with the first button, gone with the last.
struct THotTracking {
    QPointer<TButton97> hot;
    QTimer timer;
    int buttons = 0;
};

std::unique_ptr<THotTracking>& HotTracking() {
    static std::unique_ptr<THotTracking> shared;
    return shared;
}

constexpr THookKinds kHotHookKinds =
    HookKindBit(THookKind::AppActivation) | HookKindBit(THookKind::MessageRetrieved);

} // namespace

TButton97::TButton97(QWidget* parent) : QWidget(parent), repeatTimer_(std::make_unique<TQtButton97Timer>()) {
    std::unique_ptr<THotTracking>& shared = HotTracking();
    if (!shared) {
        shared = std::make_unique<THotTracking>();
        shared->timer.setInterval(500);
        QObject::connect(&shared->timer, &QTimer::timeout, [] {
            TButton97* hot = HotButton();
            if (hot && QApplication::widgetAt(QCursor::pos()) != hot) {
                hot->MouseLeave();
            }
        });
    }
    ++shared->buttons;
    THookClients::Instance().Subscribe(&TButton97::HotHook, kHotHookKinds);
    repeatTimer_->onTimeout = [this] { RepeatTick(); };
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    resize(22, 23);
    UpdateOpaque();
}

TButton97::~TButton97() {
    destroying_ = true;
    actionLink_.reset();
    StopBeingHot();
    std::unique_ptr<THotTracking>& shared = HotTracking();
    THookClients::Instance().Unsubscribe(&TButton97::HotHook);
    if (--shared->buttons == 0) {
        shared.reset();
        ReleaseDitherBrush();
    }
}

void TButton97::StopBeingHot() {
    std::unique_ptr<THotTracking>& shared = HotTracking();
    if (shared && shared->hot == this) {
        shared->hot = nullptr;
        shared->timer.stop();
    }
}

TButton97* TButton97::HotButton() {
    const std::unique_ptr<THotTracking>& shared = HotTracking();
    return shared ? shared->hot.data() : nullptr;
}

void TButton97::HotHook(const THookEvent& event) {
    TButton97* hot = HotButton();
    if (!hot) {
        return;
    }
    if (event.kind == THookKind::AppActivation) {
        if (!event.active && !hot->showBorderWhenInactive_) {
            hot->MouseLeave();
        }
    } else if (event.kind == THookKind::MessageRetrieved && event.event->type() == QEvent::MouseMove &&
               event.target->isWidgetType() && event.target != hot) {
        hot->MouseLeave();
    }
}

bool TButton97::IsInside(QPoint at) const {
    QRect inside = rect();
    if (dropdownCombo_ && HasDropdown()) {
        inside.setRight(inside.right() - ComboPartWidth());
    }
    return inside.contains(at);
}

void TButton97::MouseEnter() {
    if (!isEnabled() || mouseIn_) {
        return;
    }
    mouseIn_ = true;
    if (state_ == State::bsUp) {
        SetState(State::bsMouseIn);
    }
    if (flat_ || glyph_.NumGlyphs() == kButtonStates97) {
        Redraw();
    }
    emit mouseEntered();
}

void TButton97::MouseLeave() {
    if (!isEnabled() || !mouseIn_ || pressed_) {
        return;
    }
    mouseIn_ = false;
    StopBeingHot();
    const State old = state_;
    if (state_ == State::bsMouseIn || (state_ == State::bsDown && !clicking_)) {
        SetState(down_ ? State::bsExclusive : State::bsUp);
    }
    if (flat_ || glyph_.NumGlyphs() == kButtonStates97 || old == State::bsDown) {
        Redraw();
    }
    emit mouseExited();
}

void TButton97::UpdateHotTracking(QPoint at) {
    THotTracking& shared = *HotTracking();
    if (shared.hot == this || !rect().contains(at)) {
        return;
    }
    if (TButton97* previous = shared.hot.data()) {
        previous->MouseLeave();
    }
    if (showBorderWhenInactive_ || QApplication::activeWindow() != nullptr) {
        shared.hot = this;
        shared.timer.start();
        MouseEnter();
    }
}

void TButton97::mousePressEvent(QMouseEvent* event) {
    if (!isEnabled()) {
        return;
    }
    lastMousePos_ = event->position().toPoint();
    MouseEnter();
    if (event->button() != Qt::LeftButton) {
        return;
    }
    dropdownPressed_ = HasDropdown() && (!dropdownCombo_ || lastMousePos_.x() >= width() - ComboPartWidth());
    Redraw();
    if (!down_) {
        SetState(State::bsDown);
    }
    if (!dropdownPressed_) {
        pressed_ = true;
    }
    const QPointer<TButton97> self(this);
    if (dropdownPressed_) {
        Click();
    } else if (repeating_) {
        Click();
        if (self) {
            repeatTimer_->Start(repeatDelay_);
        }
    }
    if (self) {
        dropdownPressed_ = false;
    }
}

void TButton97::mouseMoveEvent(QMouseEvent* event) {
    lastMousePos_ = event->position().toPoint();
    if (!pressed_) {
        UpdateHotTracking(lastMousePos_);
        return;
    }
    const bool inside = IsInside(lastMousePos_);
    const State state = down_ ? State::bsExclusive : (inside ? State::bsDown : State::bsUp);
    if (state != state_) {
        SetState(state);
        Redraw();
    }
    if (inside && repeating_ && !repeatTimer_->IsActive()) {
        repeatTimer_->Start(repeatInterval_);
    }
}

void TButton97::mouseReleaseEvent(QMouseEvent* event) {
    lastMousePos_ = event->position().toPoint();
    repeatTimer_->Stop();
    if (event->button() == Qt::RightButton) {
        MouseLeave();
        return;
    }
    if (event->button() != Qt::LeftButton || !pressed_) {
        return;
    }
    pressed_ = false;
    if (IsInside(lastMousePos_) && !repeating_) {
        Click();
    } else {
        MouseLeave();
    }
}

void TButton97::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is a press like the first.
    const QPointer<TButton97> self(this);
    mousePressEvent(event);
    if (self && down_) {
        emit doubleClicked();
    }
}

void TButton97::leaveEvent(QEvent* event) {
    MouseLeave();
    QWidget::leaveEvent(event);
}

void TButton97::RepeatTick() {
    repeatTimer_->Start(repeatInterval_);
    if (repeating_ && pressed_ && IsInside(lastMousePos_)) {
        Click();
    } else {
        repeatTimer_->Stop();
    }
}

void TButton97::CancelMode() {
    repeatTimer_->Stop();
    if (pressed_) {
        pressed_ = false;
        if (isEnabled()) {
            SetState(down_ ? State::bsExclusive : State::bsUp);
        }
        Redraw();
    }
}

void TButton97::RaiseClick() {
    const QPointer<TButton97> self(this);
    emit clicked();
    if (self && actionLink_) {
        actionLink_->Execute();
    }
}

void TButton97::Click() {
    if (repeating_ && !dropdownPressed_) {
        RaiseClick();
        return;
    }
    const QPointer<TButton97> self(this);
    clicking_ = true;
    if (groupIndex_ != 0 && !dropdownPressed_) {
        SetDown(!down_);
    }
    if (state_ == State::bsUp || state_ == State::bsMouseIn) {
        SetState(State::bsDown);
        repaint();
    }
    if (HasDropdown() && (!dropdownCombo_ || dropdownPressed_)) {
        if (!dropdownCombo_) {
            RaiseClick();
        }
        if (self) {
            ShowDropdown();
        }
    } else {
        if (modalResult_ != 0) {
            if (auto* dialog = qobject_cast<QDialog*>(window())) {
                dialog->setResult(modalResult_);
                dialog->done(modalResult_);
            }
        }
        if (self) {
            RaiseClick();
        }
    }
    if (!self) {
        return;
    }
    clicking_ = false;
    if (state_ == State::bsDown) {
        SetState(down_ ? State::bsExclusive : State::bsUp);
    }
    if (!destroying_) {
        Redraw();
        if (rect().contains(mapFromGlobal(QCursor::pos())) &&
            QApplication::widgetAt(QCursor::pos()) == this) {
            MouseEnter();
        } else {
            MouseLeave();
        }
    }
}

void TButton97::ShowDropdown() {
    releaseMouse();
    bool showMenu = dropdownMenu_ != nullptr;
    bool removeClicks = true;
    const QPointer<TButton97> self(this);
    if (onDropdown) {
        onDropdown(*this, showMenu, removeClicks);
    }
    if (!self || !showMenu || !dropdownMenu_) {
        return;
    }
    TDropdownList::Instance().Popup(*dropdownMenu_, *this, mapToGlobal(rect().bottomLeft() + QPoint(0, 1)),
                                    removeClicks);
}

} // namespace quarn
