#include "controls/Button97.h"

#include "controls/Button97ActionLink.h"
#include "controls/DropdownList.h"
#include "controls/HookClients.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcutEvent>
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
    std::unique_ptr<THotTracking>& shared = HotTracking();
    if (shared->hot == this) {
        shared->hot = nullptr;
        shared->timer.stop();
    }
    THookClients::Instance().Unsubscribe(&TButton97::HotHook);
    if (--shared->buttons == 0) {
        shared.reset();
        ReleaseDitherBrush();
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

void TButton97::SetAction(QAction* action) {
    actionLink_.reset();
    if (action) {
        actionLink_ = std::make_unique<TButton97ActionLink>(*this, *action);
    }
}

QAction* TButton97::Action() const {
    return actionLink_ ? actionLink_->Action() : nullptr;
}

void TButton97::SetAlignment(Qt::Alignment alignment) {
    if (alignment != alignment_) {
        alignment_ = alignment;
        Redraw();
    }
}

void TButton97::SetAllowAllUp(bool value) {
    if (value != allowAllUp_) {
        allowAllUp_ = value;
        UpdateExclusive();
    }
}

void TButton97::SetCancel(bool value) {
    cancel_ = value;
    UpdateShortcuts();
}

void TButton97::SetDefault(bool value) {
    default_ = value;
    UpdateShortcuts();
}

void TButton97::SetCaption(const QString& caption) {
    if (caption != caption_) {
        caption_ = caption;
        UpdateShortcuts();
        Redraw();
    }
}

QColor TButton97::Color() const {
    return colour_.isValid() ? colour_ : palette().color(QPalette::Button);
}

void TButton97::SetColor(const QColor& colour) {
    if (colour != colour_) {
        colour_ = colour;
        Redraw();
    }
}

void TButton97::SetDisplayMode(TButtonDisplayMode mode) {
    if (mode != displayMode_) {
        displayMode_ = mode;
        UpdateShortcuts();
        Redraw();
    }
}

void TButton97::SetDown(bool value) {
    if (groupIndex_ == 0) {
        value = false;
    }
    if (value == down_) {
        return;
    }
    if (down_ && !allowAllUp_) {
        return;
    }
    down_ = value;
    if (isEnabled()) {
        SetState(down_ ? State::bsExclusive : State::bsUp);
    }
    Redraw();
    if (down_) {
        UpdateExclusive();
    }
}

void TButton97::SetDropdownAlways(bool value) {
    if (value != dropdownAlways_) {
        dropdownAlways_ = value;
        Redraw();
    }
}

void TButton97::SetDropdownArrow(bool value) {
    if (value != dropdownArrow_) {
        dropdownArrow_ = value;
        Redraw();
    }
}

void TButton97::SetDropdownArrowWidth(int width) {
    width = std::max(width, 7);
    if (width == dropdownArrowWidth_) {
        return;
    }
    const int difference = width - dropdownArrowWidth_;
    dropdownArrowWidth_ = width;
    if (dropdownCombo_) {
        resize(std::max(1, this->width() + difference), height());
    }
    Redraw();
}

void TButton97::SetDropdownCombo(bool value) {
    if (value == dropdownCombo_) {
        return;
    }
    dropdownCombo_ = value;
    const int part = ComboPartWidth();
    resize(value ? width() + part : std::max(1, width() - part), height());
    Redraw();
}

void TButton97::SetDropdownMenu(QMenu* menu) {
    if (menu == dropdownMenu_) {
        return;
    }
    dropdownMenu_ = menu;
    if (menu) {
        TDropdownList::Instance().Add(menu);
    }
    Redraw();
}

void TButton97::SetFlat(bool value) {
    if (value != flat_) {
        flat_ = value;
        UpdateOpaque();
        Redraw();
    }
}

void TButton97::SetOpaque(bool value) {
    if (value != opaque_) {
        opaque_ = value;
        UpdateOpaque();
        Redraw();
    }
}

void TButton97::UpdateOpaque() {
    // An opaque button paints every pixel itself, so its parent need not paint underneath.
    setAttribute(Qt::WA_OpaquePaintEvent, opaque_ || !flat_);
}

void TButton97::SetGlyph(const QImage& glyph) {
    glyph_.SetGlyph(glyph);
    // A strip of square images counts them; an empty glyph (the usual way to clear one) has one.
    int count = 1;
    if (!glyph_.HasImages() && glyph.height() > 0 && glyph.width() % glyph.height() == 0 &&
        glyph.width() / glyph.height() < 6) {
        count = glyph.width() / glyph.height();
    }
    SetNumGlyphs(count);
    Redraw();
}

void TButton97::SetGlyphMask(const QImage& mask) {
    glyph_.SetGlyphMask(mask);
    Redraw();
}

void TButton97::SetGroupIndex(int index) {
    if (index != groupIndex_) {
        groupIndex_ = index;
        UpdateExclusive();
    }
}

void TButton97::SetHelpContext(int context) {
    helpContext_ = context;
}

void TButton97::SetHint(const QString& hint) {
    hint_ = hint;
    const qsizetype bar = hint.indexOf('|');
    setToolTip(bar < 0 ? hint : hint.left(bar));
    setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void TButton97::SetHighlightWhenDown(bool value) {
    if (value != highlightWhenDown_) {
        highlightWhenDown_ = value;
        Redraw();
    }
}

void TButton97::SetImageIndex(int index) {
    if (index != glyph_.ImageIndex()) {
        glyph_.SetImageIndex(index);
        Redraw();
    }
}

void TButton97::SetImages(const QList<QPixmap>& images) {
    glyph_.SetImages(images);
    if (!images.isEmpty()) {
        glyph_.SetNumGlyphs(1);
    }
    Redraw();
}

void TButton97::SetLayout(TButtonLayout layout) {
    if (layout != layout_) {
        layout_ = layout;
        Redraw();
    }
}

void TButton97::SetMargin(int margin) {
    if (margin != margin_ && margin >= -1) {
        margin_ = margin;
        Redraw();
    }
}

void TButton97::SetNoBorder(bool value) {
    if (value != noBorder_) {
        noBorder_ = value;
        Redraw();
    }
}

void TButton97::SetNumGlyphs(int count) {
    count = std::clamp(count, 1, kButtonStates97);
    if (count != glyph_.NumGlyphs()) {
        glyph_.SetNumGlyphs(count);
        Redraw();
    }
}

void TButton97::SetOldDisabledStyle(bool value) {
    if (value != glyph_.OldDisabledStyle()) {
        glyph_.SetOldDisabledStyle(value);
        Redraw();
    }
}

void TButton97::SetSpacing(int spacing) {
    if (spacing != spacing_) {
        spacing_ = spacing;
        Redraw();
    }
}

void TButton97::SetWordWrap(bool value) {
    if (value != wordWrap_) {
        wordWrap_ = value;
        Redraw();
    }
}

void TButton97::SetOffsetWhenDown(bool value) {
    if (value != offsetWhenDown_) {
        offsetWhenDown_ = value;
        Redraw();
    }
}

void TButton97::SetRepeatTimer(std::unique_ptr<TButton97Timer> timer) {
    repeatTimer_ = std::move(timer);
    repeatTimer_->onTimeout = [this] { RepeatTick(); };
}

void TButton97::SetState(State state) {
    state_ = state;
}

void TButton97::Redraw() {
    update();
}

void TButton97::UpdateExclusive() {
    QWidget* parent = parentWidget();
    if (groupIndex_ == 0 || !parent) {
        return;
    }
    for (QObject* child : parent->children()) {
        auto* sibling = qobject_cast<TButton97*>(child);
        if (!sibling || sibling == this || sibling->groupIndex_ != groupIndex_) {
            continue;
        }
        if (down_ && sibling->down_) {
            sibling->down_ = false;
            if (sibling->isEnabled()) {
                sibling->SetState(State::bsUp);
            }
            sibling->Redraw();
        }
        sibling->allowAllUp_ = allowAllUp_;
    }
}

void TButton97::UpdateShortcuts() {
    const auto regrab = [this](int& id, const QKeySequence& keys, bool wanted) {
        if (id != 0) {
            releaseShortcut(id);
            id = 0;
        }
        if (wanted && !keys.isEmpty()) {
            id = grabShortcut(keys, Qt::WindowShortcut);
        }
    };
    regrab(shortcutId_, QKeySequence::mnemonic(caption_), displayMode_ != TButtonDisplayMode::dmGlyphOnly);
    regrab(defaultShortcutId_, QKeySequence(Qt::Key_Return), default_);
    regrab(cancelShortcutId_, QKeySequence(Qt::Key_Escape), cancel_);
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
    std::unique_ptr<THotTracking>& shared = HotTracking();
    if (shared && shared->hot == this) {
        shared->hot = nullptr;
        shared->timer.stop();
    }
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

bool TButton97::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        const auto* shortcut = static_cast<QShortcutEvent*>(event);
        const int id = shortcut->shortcutId();
        const bool accelerator = id == shortcutId_ && displayMode_ != TButtonDisplayMode::dmGlyphOnly;
        if ((accelerator || id == defaultShortcutId_ || id == cancelShortcutId_) && isVisible() &&
            isEnabled()) {
            Click();
        }
        return true;
    }
    return QWidget::event(event);
}

void TButton97::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (isEnabled()) {
            SetState(down_ ? State::bsExclusive : State::bsUp);
        } else {
            SetState(State::bsDisabled);
            mouseIn_ = false;
            std::unique_ptr<THotTracking>& shared = HotTracking();
            if (shared && shared->hot == this) {
                shared->hot = nullptr;
                shared->timer.stop();
            }
            CancelMode();
        }
        Redraw();
        break;
    case QEvent::PaletteChange:
        // The state images carry the system's colours: made again with the new ones.
        glyph_.Invalidate();
        Redraw();
        break;
    case QEvent::FontChange:
        Redraw();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

} // namespace quarn
