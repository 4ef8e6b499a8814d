#include "controls/ThemeManagerU.h"

#include "controls/PanelKio.h"
#include "controls/ThemeHandlers.h"
#include "foundation/DebOutU.h"
#include "platform/Exception.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QSlider>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <mutex>

namespace quarn {
namespace {

constexpr const char* kUnit = "ThemeManagerU";

// The main manager; its lock guards only this reference.
std::mutex& MainLock() {
    static std::mutex lock;
    return lock;
}
TThemeManager* gMainManager = nullptr;

QEvent::Type WakeEvent() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool IsCheckList(const QWidget& control) {
    const auto* list = qobject_cast<const QListWidget*>(&control);
    if (list == nullptr) {
        return false;
    }
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->flags() & Qt::ItemIsUserCheckable) {
            return true;
        }
    }
    return false;
}

bool IsTabPage(const QWidget& control) {
    const QWidget* stack = control.parentWidget();
    return qobject_cast<const QStackedWidget*>(stack) != nullptr &&
           qobject_cast<const QTabWidget*>(stack->parentWidget()) != nullptr;
}

// The program's buttons of the 97 style match by name, so that this unit needs none of their headers.
bool IsSpeedButton(const QWidget& control) {
    return qobject_cast<const QToolButton*>(&control) != nullptr || control.inherits("quarn::TButton97");
}

bool AnswersDoNotTheme(QWidget& control) {
    QEvent question(kDoNotThemeEvent);
    question.ignore();
    QCoreApplication::sendEvent(&control, &question);
    return question.isAccepted();
}

template <typename Visit> void ForEachDescendant(QWidget& parent, const Visit& visit) {
    for (QObject* child : parent.children()) {
        if (child->isWidgetType()) {
            auto& widget = static_cast<QWidget&>(*child);
            visit(widget);
            ForEachDescendant(widget, visit);
        }
    }
}

std::vector<QWidget*> ThemedForms() {
    std::vector<QWidget*> forms;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (IsThemedForm(*widget)) {
            forms.push_back(widget);
        }
    }
    return forms;
}

} // namespace

bool IsThemedForm(const QWidget& widget) {
    if (!widget.isWindow()) {
        return false;
    }
    switch (widget.windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
        return false;
    default:
        return true;
    }
}

bool ThemeListAccepts(TThemeListKind kind, const QWidget& control) {
    switch (kind) {
    case TThemeListKind::Buttons:
        return qobject_cast<const QAbstractButton*>(&control) != nullptr && !IsSpeedButton(control);
    case TThemeListKind::SpeedButtons:
        return IsSpeedButton(control);
    case TThemeListKind::GroupBox:
        return qobject_cast<const QGroupBox*>(&control) != nullptr;
    case TThemeListKind::TabSheet:
        return IsTabPage(control);
    case TThemeListKind::Panel:
        return dynamic_cast<const TPanelKio*>(&control) != nullptr;
    case TThemeListKind::Frame:
        // The settings dialog's pages are forms embedded in a page.
        return !control.isWindow() && control.inherits("quarn::TTabForm");
    case TThemeListKind::ListView:
        return (qobject_cast<const QTreeView*>(&control) != nullptr ||
                qobject_cast<const QListView*>(&control) != nullptr) &&
               !IsCheckList(control);
    case TThemeListKind::TrackBar:
        return qobject_cast<const QSlider*>(&control) != nullptr;
    case TThemeListKind::CheckListBox:
        return IsCheckList(control);
    case TThemeListKind::StatusBar:
        return qobject_cast<const QStatusBar*>(&control) != nullptr;
    case TThemeListKind::Animate:
        return false;
    case TThemeListKind::Form:
        return IsThemedForm(control);
    case TThemeListKind::WinControl:
        return true;
    }
    return false;
}

TThemeOptions ThemeListOption(TThemeListKind kind) {
    switch (kind) {
    case TThemeListKind::Buttons:
        return toSubclassButtons;
    case TThemeListKind::SpeedButtons:
        return toSubclassSpeedButtons;
    case TThemeListKind::GroupBox:
        return toSubclassGroupBox;
    case TThemeListKind::TabSheet:
        return toSubclassTabSheet;
    case TThemeListKind::Panel:
        return toSubclassPanel;
    case TThemeListKind::Frame:
        return toSubclassFrame;
    case TThemeListKind::ListView:
        return toSubclassListView;
    case TThemeListKind::TrackBar:
        return toSubclassTrackBar;
    case TThemeListKind::CheckListBox:
        return toSubclassCheckListbox;
    case TThemeListKind::StatusBar:
        return toSubclassStatusBar;
    case TThemeListKind::Animate:
        return toSubclassAnimate;
    case TThemeListKind::Form:
        return 0;
    case TThemeListKind::WinControl:
        return toSubclassWinControl;
    }
    return 0;
}

TThemeManager::TThemeManager(QObject* owner) : QObject(owner) {
    for (int i = 0; i < kThemeListCount; ++i) {
        const auto kind = static_cast<TThemeListKind>(i);
        lists_[i] = std::make_unique<TWindowProcList>(
            [kind](const QWidget& control) { return ThemeListAccepts(kind, control); },
            [this, kind](QWidget& control, QEvent& event) { return HandleMessage(kind, control, event); },
            [this](QWidget& descendant) { SubclassControl(descendant, false); });
    }
    seenStyle_ = QApplication::style();
    seenStyleName_ = seenStyle_->name();
    qApp->installEventFilter(this);
    const std::lock_guard lock(MainLock());
    if (gMainManager == nullptr) {
        gMainManager = this;
    } else {
        notMainManager_ = true;
    }
}

TThemeManager::~TThemeManager() {
    for (auto& list : lists_) {
        list->Clear();
    }
    if (qApp != nullptr) {
        qApp->removeEventFilter(this);
    }
    const std::lock_guard lock(MainLock());
    if (gMainManager == this) {
        gMainManager = nullptr;
        if (qApp != nullptr) {
            QCoreApplication::postEvent(qApp, new QEvent(kThemeManagerGoneEvent));
        }
    }
}

TThemeManager* TThemeManager::MainManager() {
    const std::lock_guard lock(MainLock());
    return gMainManager;
}

bool TThemeManager::IsMainManager() const {
    return !notMainManager_;
}

void TThemeManager::SetOptions(TThemeOptions options) {
    if (notMainManager_) {
        if (TThemeManager* main = MainManager(); main != nullptr && main != this) {
            main->SetOptions(options);
        }
        return;
    }
    if (options == options_) {
        return;
    }
    options_ = options;
    if (!ThemingActive()) {
        return;
    }
    services_.SetThemeAppProperties(options & 7U);
    services_.RefreshThemeState();
    BroadcastThemeChange();
}

void TThemeManager::BroadcastThemeChange() {
    // Every form and control hears of the changed theme, then all of it is painted again.
    const std::vector<QWidget*> forms = ThemedForms();
    for (QWidget* form : forms) {
        QEvent change(QEvent::StyleChange);
        QCoreApplication::sendEvent(form, &change);
        ForEachDescendant(*form, [](QWidget& widget) {
            QEvent childChange(QEvent::StyleChange);
            QCoreApplication::sendEvent(&widget, &childChange);
        });
    }
    for (QWidget* form : forms) {
        form->update();
        ForEachDescendant(*form, [](QWidget& widget) { widget.update(); });
    }
}

void TThemeManager::CollectControls(QWidget* parent) {
    if (parent == nullptr) {
        FailAssertion("Parent of controls to be collected must be valid.", kUnit, __LINE__);
    }
    if (notMainManager_) {
        return;
    }
    CheckStyle();
    for (QObject* child : parent->children()) {
        if (!child->isWidgetType()) {
            continue;
        }
        auto& widget = static_cast<QWidget&>(*child);
        SubclassControl(widget, true);
        if (!widget.children().isEmpty()) {
            CollectControls(&widget);
        }
    }
    if (parent->isVisible()) {
        parent->update();
    }
}

void TThemeManager::CollectForms(QWidget* form) {
    if (notMainManager_) {
        return;
    }
    CheckStyle();
    if (form != nullptr) {
        SubclassControl(*form, true);
        CollectControls(form);
    } else {
        List(TThemeListKind::ListView).Clear();
        if (ThemingActive()) {
            for (int i = 0; i < kThemeListCount; ++i) {
                if (static_cast<TThemeListKind>(i) != TThemeListKind::ListView) {
                    lists_[i]->Clear();
                }
            }
        }
        for (QWidget* each : ThemedForms()) {
            SubclassControl(*each, true);
            CollectControls(each);
        }
    }
    if (options_ & (toResetMouseCapture | toSetTransparency)) {
        if (form != nullptr) {
            FixControls(*form);
        } else {
            for (QWidget* each : ThemedForms()) {
                FixControls(*each);
            }
        }
    }
}

void TThemeManager::FixControls(QWidget& form) {
    // Tool bars and labels let the themed page behind them show; a press needs no capture to let go of.
    if (!(options_ & toSetTransparency)) {
        return;
    }
    ForEachDescendant(form, [](QWidget& widget) {
        if (qobject_cast<QToolBar*>(&widget) != nullptr || qobject_cast<QLabel*>(&widget) != nullptr) {
            widget.setAutoFillBackground(false);
        }
    });
}

bool TThemeManager::IsSubclassed(const QWidget& control) {
    for (auto& list : lists_) {
        if (list->Contains(&control)) {
            return true;
        }
    }
    return false;
}

int TThemeManager::AddListener(TControlMessageEvent listener) {
    listeners_.emplace_back(nextListenerId_, std::move(listener));
    return nextListenerId_++;
}

void TThemeManager::RemoveListener(int id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

bool TThemeManager::PreviewControlMessage(QWidget& control, QEvent& message) {
    bool handled = false;
    if (OnControlMessage) {
        OnControlMessage(*this, control, message, handled);
    }
    for (std::size_t i = 0; !handled && i < listeners_.size();) {
        // A copy: the listener may add or remove listeners while it runs.
        const TControlMessageEvent listener = listeners_[i].second;
        try {
            listener(*this, control, message, handled);
            ++i;
        } catch (const std::exception& error) {
            DebOutObj("TThemeManager", "PreviewControlMessage",
                      std::string("listener dropped: ") + error.what());
            listeners_.erase(listeners_.begin() + static_cast<std::ptrdiff_t>(i));
        } catch (...) {
            listeners_.erase(listeners_.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    return handled;
}

void TThemeManager::NotifyThemeChange() {
    if (OnThemeChange) {
        OnThemeChange(*this);
    }
}

void TThemeManager::SubclassControl(QWidget& control, bool subclass) {
    const auto take = [&](TThemeListKind kind) {
        return ThemeListAccepts(kind, control) &&
               (!subclass || (options_ & ThemeListOption(kind)) != 0 || kind == TThemeListKind::Form);
    };
    TThemeListKind kind = TThemeListKind::WinControl;
    bool found = false;
    if (!ThemingActive()) {
        // Without a theme only the forms (for the controls that join them) and list views are filtered.
        for (const TThemeListKind only : {TThemeListKind::ListView, TThemeListKind::Form}) {
            if (!found && take(only)) {
                kind = only;
                found = true;
            }
        }
    } else {
        for (int i = 0; i < kThemeListCount && !found; ++i) {
            if (take(static_cast<TThemeListKind>(i))) {
                kind = static_cast<TThemeListKind>(i);
                found = true;
            }
        }
    }
    if (!found) {
        if (!subclass) {
            // Taken in while another option was set: it leaves whatever list holds it.
            for (auto& list : lists_) {
                list->Remove(control);
            }
        }
        return;
    }
    TWindowProcList& list = List(kind);
    if (!subclass || AnswersDoNotTheme(control)) {
        list.Remove(control);
        if (kind == TThemeListKind::Form) {
            std::erase_if(waitingForms_, [&](const QPointer<QWidget>& form) { return form == &control; });
        }
        return;
    }
    list.Add(control);
    if (kind == TThemeListKind::Frame) {
        CollectControls(&control);
    } else if (kind == TThemeListKind::Form) {
        CollectControls(&control);
        std::erase_if(waitingForms_, [&](const QPointer<QWidget>& form) { return form == &control; });
    }
}

void TThemeManager::ControlListChange(QWidget& parent, QEvent& event) {
    QObject* child = static_cast<QChildEvent&>(event).child();
    if (!child->isWidgetType()) {
        return;
    }
    auto* control = static_cast<QWidget*>(child);
    if (event.type() == QEvent::ChildRemoved) {
        // A control being destroyed has left its list already and is no longer a widget to look at; one
        // that is still in a list was only moved elsewhere.
        if (IsSubclassed(*control)) {
            SubclassControl(*control, false);
        }
        return;
    }
    // A new control is told while it is still being built: its class is known once it has been.
    QMetaObject::invokeMethod(
        this,
        [this, added = QPointer<QWidget>(control), from = QPointer<QWidget>(&parent)] {
            if (added && from && added->parentWidget() == from) {
                SubclassControl(*added, true);
                CollectControls(added);
            }
        },
        Qt::QueuedConnection);
}

bool TThemeManager::HandleMessage(TThemeListKind kind, QWidget& control, QEvent& event) {
    if (event.type() == kDoNotThemeEvent) {
        return false;
    }
    if (PreviewControlMessage(control, event)) {
        return true;
    }
    if (event.type() == QEvent::ChildAdded || event.type() == QEvent::ChildRemoved) {
        ControlListChange(control, event);
        return false;
    }
    switch (kind) {
    // A form only hears of its controls. The list view's column images, the track bar's drawing stages
    // and the animation's colour have no counterpart here: their events go on unchanged.
    case TThemeListKind::Form:
    case TThemeListKind::ListView:
    case TThemeListKind::TrackBar:
    case TThemeListKind::Animate:
        return false;
    default:
        break;
    }
    if (!ThemingActive() || !(options_ & toAllowControls)) {
        return false;
    }
    return HandleThemedMessage(kind, control, event, services_);
}

void TThemeManager::FormAppeared(QWidget& form) {
    if (IsSubclassed(form)) {
        return;
    }
    for (const QPointer<QWidget>& waiting : waitingForms_) {
        if (waiting == &form) {
            return;
        }
    }
    waitingForms_.emplace_back(&form);
    if (!wakePosted_) {
        wakePosted_ = true;
        QCoreApplication::postEvent(qApp, new QEvent(WakeEvent()));
    }
}

void TThemeManager::CollectWaitingForms() {
    wakePosted_ = false;
    if (waitingForms_.empty()) {
        return;
    }
    const std::vector<QPointer<QWidget>> forms = std::move(waitingForms_);
    waitingForms_.clear();
    for (const QPointer<QWidget>& form : forms) {
        if (!form) {
            continue;
        }
        SubclassControl(*form, true);
        if (options_ & (toResetMouseCapture | toSetTransparency)) {
            FixControls(*form);
        }
    }
}

void TThemeManager::CheckStyle() {
    // Every polished widget hears of a new application style, and every new one is polished under it;
    // the theme changes once.
    if (QApplication::style() != seenStyle_ || QApplication::style()->name() != seenStyleName_) {
        seenStyle_ = QApplication::style();
        seenStyleName_ = seenStyle_->name();
        ThemeChanged();
    }
}

void TThemeManager::ThemeChanged() {
    services_.RefreshThemeState();
    if (ThemingActive()) {
        options_ = (options_ & ~7U) | services_.GetThemeAppProperties();
    }
    NotifyThemeChange();
}

bool TThemeManager::eventFilter(QObject* watched, QEvent* event) {
    if (watched == qApp) {
        if (event->type() == kThemeManagerGoneEvent) {
            bool takeOver = false;
            {
                const std::lock_guard lock(MainLock());
                if (gMainManager == nullptr) {
                    gMainManager = this;
                    notMainManager_ = false;
                    takeOver = true;
                }
            }
            if (takeOver) {
                CollectForms(nullptr);
            }
        }
        CollectWaitingForms();
        return false;
    }
    switch (event->type()) {
    case QEvent::Create:
    case QEvent::Show:
        CheckStyle();
        if (watched->isWidgetType() && IsThemedForm(*static_cast<QWidget*>(watched))) {
            TThemeManager* main = notMainManager_ ? MainManager() : this;
            if (main == this) {
                FormAppeared(*static_cast<QWidget*>(watched));
            }
        }
        break;
    case QEvent::StyleChange:
    case QEvent::Polish:
        CheckStyle();
        break;
    default:
        break;
    }
    return false;
}

} // namespace quarn
