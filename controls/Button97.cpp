#include "controls/Button97.h"

#include "controls/Button97ActionLink.h"
#include "controls/DropdownList.h"

#include <QAction>
#include <QShortcutEvent>
#include <algorithm>

namespace quarn {

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
            StopBeingHot();
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
