#pragma once

#include "controls/ThemeServicesU.h"
#include "controls/WindowProcList.h"

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QStyle;
class QWidget;

namespace quarn {

enum TThemeOption : std::uint32_t {
    toAllowNonClientArea = 1U << 0,
    toAllowControls = 1U << 1,
    toAllowWebContent = 1U << 2,
    toSubclassAnimate = 1U << 3,
    toSubclassButtons = 1U << 4,
    toSubclassCheckListbox = 1U << 5,
    toSubclassDBLookup = 1U << 6,
    toSubclassFrame = 1U << 7,
    toSubclassGroupBox = 1U << 8,
    toSubclassListView = 1U << 9,
    toSubclassPanel = 1U << 10,
    toSubclassTabSheet = 1U << 11,
    toSubclassSpeedButtons = 1U << 12,
    toSubclassStatusBar = 1U << 13,
    toSubclassTrackBar = 1U << 14,
    toSubclassWinControl = 1U << 15,
    toResetMouseCapture = 1U << 16,
    toSetTransparency = 1U << 17
};
using TThemeOptions = std::uint32_t;
inline constexpr TThemeOptions kDefaultThemeOptions = 0x3FFFF & ~toSubclassAnimate;

// The filtered classes, in the order a control is matched against them.
enum class TThemeListKind {
    Buttons,
    SpeedButtons,
    GroupBox,
    TabSheet,
    Panel,
    Frame,
    ListView,
    TrackBar,
    CheckListBox,
    StatusBar,
    Animate,
    Form,
    WinControl
};
inline constexpr int kThemeListCount = 13;
bool ThemeListAccepts(TThemeListKind kind, const QWidget& control);
// The option that lets the list take controls; forms are always taken.
TThemeOptions ThemeListOption(TThemeListKind kind);
bool IsThemedForm(const QWidget& widget);

// Sent to a control before it is filtered: a control that accepts it is left alone.
inline constexpr QEvent::Type kDoNotThemeEvent = static_cast<QEvent::Type>(47056);
// Posted to the application when the main manager goes, so that another one takes over.
inline constexpr QEvent::Type kThemeManagerGoneEvent = static_cast<QEvent::Type>(48306);

// Whether a form shows focus rectangles (after Tab or an arrow key) and accelerator underlines (after Alt).
bool FocusCuesShown(const QWidget& form);
bool AcceleratorCuesShown(const QWidget& form);

// Filters the standard controls of every form and paints their faces through the theme services; every
// event it does not finish reaches the control as ever. The first manager of the process is the main one
// and does the work; the others forward to it.
class TThemeManager : public QObject {
public:
    using TControlMessageEvent =
        std::function<void(TThemeManager& sender, QWidget& control, QEvent& message, bool& handled)>;

    explicit TThemeManager(QObject* owner = nullptr);
    ~TThemeManager() override;
    TThemeManager(const TThemeManager&) = delete;
    TThemeManager& operator=(const TThemeManager&) = delete;

    static TThemeManager* MainManager();
    bool IsMainManager() const;

    TThemeOptions Options() const { return options_; }
    // On a manager that is not the main one the options go to the main one.
    void SetOptions(TThemeOptions options);

    // Filters every control below `parent` (which must not be null) and repaints it when it is visible.
    void CollectControls(QWidget* parent);
    // One form and its controls, or every form when `form` is null.
    void CollectForms(QWidget* form = nullptr);

    bool IsSubclassed(const QWidget& control);
    std::size_t WaitingForms() const { return waitingForms_.size(); }
    TThemeServices& Services() { return services_; }
    bool ThemingActive() const { return services_.ThemingActive(); }

    // Listeners see every filtered event after OnControlMessage; one that throws is dropped.
    int AddListener(TControlMessageEvent listener);
    void RemoveListener(int id);

    TControlMessageEvent OnControlMessage;
    std::function<void(TThemeManager& sender)> OnThemeChange;

    virtual bool PreviewControlMessage(QWidget& control, QEvent& message);
    virtual void NotifyThemeChange();
    virtual void SubclassControl(QWidget& control, bool subclass);

protected:
    // The application hook: waiting forms, the hand-over of the main role and theme changes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TWindowProcList& List(TThemeListKind kind) { return *lists_[static_cast<int>(kind)]; }
    bool HandleMessage(TThemeListKind kind, QWidget& control, QEvent& event);
    // A control joined or left `parent`.
    void ControlListChange(QWidget& parent, QEvent& event);
    void FormAppeared(QWidget& form);
    void CollectWaitingForms();
    void FixControls(QWidget& form);
    void CheckStyle();
    void ThemeChanged();
    void BroadcastThemeChange();

    std::array<std::unique_ptr<TWindowProcList>, kThemeListCount> lists_;
    std::vector<std::pair<int, TControlMessageEvent>> listeners_;
    int nextListenerId_ = 1;
    std::vector<QPointer<QWidget>> waitingForms_;
    bool wakePosted_ = false;
    TThemeServices services_;
    TThemeOptions options_ = kDefaultThemeOptions;
    bool notMainManager_ = false;
    const QStyle* seenStyle_ = nullptr;
    QString seenStyleName_;
};

} // namespace quarn
