#pragma once

#include "controls/Button97Layout.h"
#include "controls/ButtonGlyph.h"
#include "foundation/DesignTexts.h"

#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QAction;

namespace quarn {

class TButton97ActionLink;
struct THookEvent;

enum class TButtonDisplayMode { dmBoth, dmGlyphOnly, dmTextOnly };

// The repeat timer of a held button; a test puts a hand-driven one in its place.
class TButton97Timer {
public:
    virtual ~TButton97Timer() = default;
    virtual void Start(int intervalMs) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    std::function<void()> onTimeout;
};

// A push button in the flat toolbar look: with Flat it shows its border only while the mouse is over it
// or it is pressed. It carries a glyph strip of up to five state images (or an image of an image list),
// a caption, a drop-down arrow or a separate drop-down part with its menu, auto-repeat, and the grouped
// "down" of a speed button. A QWidget rather than a QToolButton: its press, repeat, group and
// click-on-release rules are its own.
class TButton97 : public QWidget {
    Q_OBJECT
    QUARN_DESIGN_TEXTS(TButton97)

public:
    // The up, disabled, down, exclusive (down in a group) and hot looks.
    using State = TButtonState97;

    explicit TButton97(QWidget* parent = nullptr);
    ~TButton97() override;

    // The action the button follows and triggers; null unlinks.
    void SetAction(QAction* action);
    QAction* Action() const;

    Qt::Alignment Alignment() const { return alignment_; }
    void SetAlignment(Qt::Alignment alignment);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    // The background; the palette's button face unless set.
    QColor Color() const;
    void SetColor(const QColor& colour);
    bool Default() const { return default_; }
    void SetDefault(bool value);
    TButtonDisplayMode DisplayMode() const { return displayMode_; }
    void SetDisplayMode(TButtonDisplayMode mode);
    bool Down() const { return down_; }
    // Down needs a group; a down button stays down while AllowAllUp is off.
    void SetDown(bool value);
    bool DropdownAlways() const { return dropdownAlways_; }
    void SetDropdownAlways(bool value);
    bool DropdownArrow() const { return dropdownArrow_; }
    void SetDropdownArrow(bool value);
    int DropdownArrowWidth() const { return dropdownArrowWidth_; }
    void SetDropdownArrowWidth(int width);
    bool DropdownCombo() const { return dropdownCombo_; }
    void SetDropdownCombo(bool value);
    QMenu* DropdownMenu() const { return dropdownMenu_; }
    void SetDropdownMenu(QMenu* menu);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    const QImage& Glyph() const { return glyph_.Glyph(); }
    // Also derives NumGlyphs from the strip's shape.
    void SetGlyph(const QImage& glyph);
    const QImage& GlyphMask() const { return glyph_.GlyphMask(); }
    void SetGlyphMask(const QImage& mask);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int index);
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int context);
    // The hint as "short|long": the short part is the tool tip, the long one the status text.
    QString Hint() const { return hint_; }
    void SetHint(const QString& hint);
    bool HighlightWhenDown() const { return highlightWhenDown_; }
    void SetHighlightWhenDown(bool value);
    int ImageIndex() const { return glyph_.ImageIndex(); }
    void SetImageIndex(int index);
    const QList<QPixmap>& Images() const { return glyph_.Images(); }
    void SetImages(const QList<QPixmap>& images);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout layout);
    int Margin() const { return margin_; }
    void SetMargin(int margin);
    int ModalResult() const { return modalResult_; }
    void SetModalResult(int result) { modalResult_ = result; }
    bool NoBorder() const { return noBorder_; }
    void SetNoBorder(bool value);
    int NumGlyphs() const { return glyph_.NumGlyphs(); }
    void SetNumGlyphs(int count);
    bool OldDisabledStyle() const { return glyph_.OldDisabledStyle(); }
    void SetOldDisabledStyle(bool value);
    bool Opaque() const { return opaque_; }
    void SetOpaque(bool value);
    bool Repeating() const { return repeating_; }
    void SetRepeating(bool value) { repeating_ = value; }
    int RepeatDelay() const { return repeatDelay_; }
    void SetRepeatDelay(int ms) { repeatDelay_ = ms; }
    int RepeatInterval() const { return repeatInterval_; }
    void SetRepeatInterval(int ms) { repeatInterval_ = ms; }
    bool ShowBorderWhenInactive() const { return showBorderWhenInactive_; }
    void SetShowBorderWhenInactive(bool value) { showBorderWhenInactive_ = value; }
    int Spacing() const { return spacing_; }
    void SetSpacing(int spacing);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    bool OffsetWhenDown() const { return offsetWhenDown_; }
    void SetOffsetWhenDown(bool value);

    // (sender, in-out show the menu, in-out remove the clicks made while it was open)
    std::function<void(TButton97& sender, bool& showMenu, bool& removeClicks)> onDropdown;

    State ButtonState() const { return state_; }
    bool IsMouseIn() const { return mouseIn_; }
    bool HasDropdown() const { return dropdownMenu_ != nullptr || dropdownAlways_; }
    // The one button of the process the mouse is over, if any.
    static TButton97* HotButton();

    // A click as the mouse makes it on release: toggles a grouped button, opens the drop-down menu or
    // sets the form's modal result and raises clicked().
    void Click();
    // Ends a press in progress (the mouse is taken elsewhere): the repeat stops, the button comes up.
    void CancelMode();
    void SetRepeatTimer(std::unique_ptr<TButton97Timer> timer);

    QSize sizeHint() const override { return QWidget::size(); }

signals:
    void clicked();
    void doubleClicked();
    void mouseEntered();
    void mouseExited();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class TButton97ActionLink;
    static void HotHook(const THookEvent& event);

    void MouseEnter();
    void MouseLeave();
    // No longer the process's hot button, if it was.
    void StopBeingHot();
    void UpdateHotTracking(QPoint at);
    void RepeatTick();
    void UpdateExclusive();
    void UpdateShortcuts();
    void ShowDropdown();
    bool IsInside(QPoint at) const;
    int ComboPartWidth() const { return dropdownArrowWidth_ + 2; }
    void SetState(State state);
    void Redraw();
    void UpdateOpaque();
    // OnClick and the action.
    void RaiseClick();

    TButtonGlyph glyph_;
    std::unique_ptr<TButton97ActionLink> actionLink_;
    std::unique_ptr<TButton97Timer> repeatTimer_;
    QPointer<QMenu> dropdownMenu_;
    QString caption_;
    QString hint_;
    QColor colour_;
    Qt::Alignment alignment_ = Qt::AlignHCenter;
    TButtonDisplayMode displayMode_ = TButtonDisplayMode::dmBoth;
    TButtonLayout layout_ = TButtonLayout::blGlyphLeft;
    State state_ = State::bsUp;
    QPoint lastMousePos_;
    int groupIndex_ = 0;
    int helpContext_ = 0;
    int dropdownArrowWidth_ = 9;
    int margin_ = -1;
    int spacing_ = 4;
    int modalResult_ = 0;
    int repeatDelay_ = 400;
    int repeatInterval_ = 100;
    int shortcutId_ = 0;
    int defaultShortcutId_ = 0;
    int cancelShortcutId_ = 0;
    bool allowAllUp_ = false;
    bool cancel_ = false;
    bool default_ = false;
    bool down_ = false;
    bool dropdownAlways_ = false;
    bool dropdownArrow_ = true;
    bool dropdownCombo_ = false;
    bool flat_ = true;
    bool highlightWhenDown_ = true;
    bool noBorder_ = false;
    bool opaque_ = true;
    bool repeating_ = false;
    bool showBorderWhenInactive_ = false;
    bool wordWrap_ = false;
    bool offsetWhenDown_ = true;
    bool mouseIn_ = false;
    bool pressed_ = false;
    bool dropdownPressed_ = false;
    bool clicking_ = false;
    bool destroying_ = false;
};

} // namespace quarn
