#include "toolbars/items/TTKMenuLoop.h"

#include "toolbars/items/TTKCustomItem.h"
#include "toolbars/items/TTKPopupWindow.h"
#include "toolbars/items/TTKSettings.h"
#include "toolbars/items/TTKView.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace quarn {

namespace {

constexpr int kScrollInterval = 100;

struct LoopCapture {
    int depth = 0;
    QPointer<QWidget> window;
};

LoopCapture& Capture() {
    static LoopCapture capture;
    return capture;
}

// One run of the loop: an application event filter that applies the menu rules to every key and mouse
// event while a nested event loop waits for the end.
class MenuLoop : public QObject {
public:
    MenuLoop(TTKView& root, bool selectFirst) : root_(&root) {
        openTimer_.setSingleShot(true);
        connect(&openTimer_, &QTimer::timeout, this, [this] { OpenTimerElapsed(); });
        scrollTimer_.setInterval(kScrollInterval);
        connect(&scrollTimer_, &QTimer::timeout, this, [this] { ScrollTimerElapsed(); });
        root.ValidatePositions();
        if (selectFirst && !root.Selected())
            root.SetSelection(root.FirstSelectable());
    }

    TTKMenuOutcome Run() {
        QWidget* window = root_->Window();
        if (!window || !window->isVisible())
            return outcome_;
        delay_ = KitSettings().MenuOpenDelay();
        qApp->installEventFilter(this);
        BeginLoopCapture(*window);
        captured_ = true;
        if (!done_)
            loop_.exec();
        Leave();
        ReplayPressOutside();
        return outcome_;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The loop lives only while the grab is still the kit's.
        if (!root_ || QWidget::mouseGrabber() != root_->Window()) {
            End();
            return false;
        }
        switch (event->type()) {
        case QEvent::ApplicationStateChange:
            if (qApp->applicationState() != Qt::ApplicationActive)
                End();
            return false;
        case QEvent::ShortcutOverride:
        case QEvent::KeyRelease:
            return true;
        case QEvent::KeyPress:
            Key(*static_cast<QKeyEvent*>(event));
            return true;
        case QEvent::MouseMove:
            MouseMove(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            Press(*static_cast<QMouseEvent*>(event));
            return true;
        case QEvent::MouseButtonRelease:
            Release(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
            return true;
        case QEvent::Wheel:
        case QEvent::ContextMenu:
            return true;
        default:
            return QObject::eventFilter(watched, event);
        }
    }

private:
    // The menu closes the moment the loop is decided, not when the event that decided it has returned.
    void End() {
        done_ = true;
        loop_.quit();
        Leave();
    }

    void Leave() {
        if (left_)
            return;
        left_ = true;
        qApp->removeEventFilter(this);
        openTimer_.stop();
        scrollTimer_.stop();
        if (captured_)
            EndLoopCapture();
        if (!root_)
            return;
        root_->CloseSubmenus();
        if (root_->IsPopup() && root_->Window())
            root_->Window()->window()->hide();
    }

    TTKView* Innermost() const {
        TTKView* view = root_;
        while (view && view->OpenView())
            view = view->OpenView();
        return view;
    }

    // The view of the loop whose window holds the global point, innermost first.
    TTKView* ViewAt(const QPoint& global, QPoint& local) const {
        for (TTKView* view = Innermost(); view; view = view->ParentView()) {
            QWidget* window = view->Window();
            if (window && window->isVisible()) {
                local = window->mapFromGlobal(global);
                if (window->rect().contains(local))
                    return view;
            }
            if (view == root_)
                break;
        }
        return nullptr;
    }

    void Finish(TTKMenuOutcome::Kind kind, TTKCustomItem* item) {
        outcome_.kind = kind;
        outcome_.item = item;
        End();
    }

    // ENTER, a unique accelerator or a click: open a submenu, or choose the item.
    void Execute(TTKView& view) {
        TTKItemViewer* viewer = view.Selected();
        if (!viewer || !viewer->Item().Enabled()) {
            End();
            return;
        }
        TTKCustomItem& item = viewer->Item();
        if (viewer->HasSubmenu() && (item.StyleBits() & tbis::Combo) == 0) {
            view.OpenSelectedSubmenu(true);
            return;
        }
        if ((item.StyleBits() & tbis::Selectable) == 0) {
            End();
            return;
        }
        view.MarkUsed(viewer);
        outcome_.playSound = true;
        Finish(TTKMenuOutcome::Kind::Click, &item);
    }

    void CloseInnermost(TTKView& view) {
        if (&view == root_) {
            End();
            return;
        }
        if (TTKView* parent = view.ParentView())
            parent->CloseSubmenus();
    }

    void Key(const QKeyEvent& event) {
        TTKView* view = Innermost();
        if (!view)
            return;
        view->SetAccelVisibility(true);
        const bool shift = event.modifiers().testFlag(Qt::ShiftModifier);
        switch (event.key()) {
        case Qt::Key_Tab:
            view->StepSelection(!shift);
            return;
        case Qt::Key_Backtab:
        case Qt::Key_Up:
            view->StepSelection(false);
            return;
        case Qt::Key_Down:
            view->StepSelection(true);
            return;
        case Qt::Key_Home:
        case Qt::Key_End:
            view->SetSelection(nullptr);
            view->StepSelection(event.key() == Qt::Key_Home);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Execute(*view);
            return;
        case Qt::Key_Alt:
        case Qt::Key_F10:
            End();
            return;
        case Qt::Key_Escape:
        case Qt::Key_Left:
            CloseInnermost(*view);
            return;
        case Qt::Key_Right:
            if (view->Selected() && view->Selected()->HasSubmenu())
                view->OpenSelectedSubmenu(true);
            return;
        case Qt::Key_F1:
            for (TTKView* v = view; v; v = v->ParentView()) {
                if (v->Selected() && v->Selected()->Item().HelpContext() != 0) {
                    Finish(TTKMenuOutcome::Kind::Help, &v->Selected()->Item());
                    return;
                }
                if (v == root_)
                    break;
            }
            return;
        default:
            break;
        }
        const QString text = event.text();
        if (text.isEmpty() || !text.front().isPrint())
            return;
        bool onlyOne = false;
        if (TTKItemViewer* hit = view->FindAccelTarget(view->Selected(), text.front(), false, onlyOne)) {
            view->SetSelection(hit);
            view->RevealSelection();
            if (onlyOne)
                Execute(*view);
            return;
        }
        QApplication::beep();
    }

    void MouseMove(const QPoint& global) {
        QPoint local;
        TTKView* view = ViewAt(global, local);
        scrollDown_ = false;
        if (!view) {
            scrollTimer_.stop();
            return;
        }
        const bool overTop = view->IsPopup() && view->TopArrowShown() && local.y() < kScrollArrowHeight;
        const bool overBottom = view->IsPopup() && view->BottomArrowShown() &&
                                local.y() >= view->TotalSize().height() - kScrollArrowHeight;
        if (overTop || overBottom) {
            scrollView_ = view;
            scrollDown_ = overBottom;
            if (!scrollTimer_.isActive())
                scrollTimer_.start();
            return;
        }
        scrollTimer_.stop();
        TTKItemViewer* viewer = view->ViewerAtPoint(local);
        // Entering a submenu re-selects, in its parent, the row that opened it.
        if (TTKView* parent = view->ParentView(); parent && parent->OpenView() == view)
            parent->SetSelection(parent->OpenViewer());
        if (!viewer) {
            if (!view->OpenViewer())
                view->SetSelection(nullptr);
            return;
        }
        if (viewer == view->Selected())
            return;
        view->SetSelection(viewer);
        openTimer_.stop();
        if (viewer == view->OpenViewer() || (!view->OpenViewer() && !viewer->HasSubmenu()))
            return;
        if (view->IsToolbarStyle()) {
            view->OpenSelectedSubmenu(false);
            return;
        }
        openView_ = view;
        openTimer_.start(delay_);
    }

    void OpenTimerElapsed() {
        if (!openView_)
            return;
        openView_->CloseSubmenus();
        TTKItemViewer* selected = openView_->Selected();
        if (selected && selected->Item().Enabled())
            openView_->OpenSelectedSubmenu(false);
    }

    void ScrollTimerElapsed() {
        if (!scrollView_ || !(scrollDown_ ? scrollView_->BottomArrowShown() : scrollView_->TopArrowShown())) {
            scrollTimer_.stop();
            return;
        }
        scrollView_->ScrollStep(scrollDown_);
    }

    void Press(const QMouseEvent& event) {
        const QPoint global = event.globalPosition().toPoint();
        QPoint local;
        TTKView* view = ViewAt(global, local);
        if (!view) {
            // Outside every window of the menu: the menu closes and the press goes on to its widget.
            pressOutside_ = std::make_unique<QMouseEvent>(event.type(), QPointF(), event.globalPosition(),
                                                          event.button(), event.buttons(), event.modifiers());
            End();
            return;
        }
        TTKItemViewer* viewer = view->ViewerAtPoint(local);
        if (!viewer)
            return;
        view->SetSelection(viewer);
        if (!viewer->InButtonArea(local.x() - viewer->BoundsRect().x(), local.y()) &&
            viewer->Item().Enabled())
            view->OpenSelectedSubmenu(false);
    }

    void Release(const QPoint& global) {
        QPoint local;
        TTKView* view = ViewAt(global, local);
        TTKItemViewer* viewer = view ? view->ViewerAtPoint(local) : nullptr;
        if (!viewer) {
            // The release of the press that opened the menu, or one over a pop-up's empty area, is ignored.
            if (!view && ignoredFirstRelease_)
                End();
            ignoredFirstRelease_ = true;
            return;
        }
        ignoredFirstRelease_ = true;
        if (viewer != view->Selected() || (viewer->Item().StyleBits() & tbis::ClicksPassThrough) != 0)
            return;
        if (viewer->InButtonArea(local.x() - viewer->BoundsRect().x(), local.y()))
            Execute(*view);
    }

    void ReplayPressOutside() {
        if (!pressOutside_)
            return;
        const QPoint global = pressOutside_->globalPosition().toPoint();
        QWidget* target = QApplication::widgetAt(global);
        if (!target)
            return;
        QMouseEvent press(pressOutside_->type(), target->mapFromGlobal(global),
                          pressOutside_->globalPosition(), pressOutside_->button(), pressOutside_->buttons(),
                          pressOutside_->modifiers());
        QApplication::sendEvent(target, &press);
    }

    QPointer<TTKView> root_;
    QEventLoop loop_;
    bool done_ = false;
    bool left_ = false;
    bool captured_ = false;
    TTKMenuOutcome outcome_;
    int delay_ = 0;
    QTimer openTimer_;
    QPointer<TTKView> openView_;
    QTimer scrollTimer_;
    QPointer<TTKView> scrollView_;
    bool scrollDown_ = false;
    bool ignoredFirstRelease_ = false;
    std::unique_ptr<QMouseEvent> pressOutside_;
};

class KitFactory : public ITTKPopupFactory {
public:
    QWidget* CreateSubmenu(TTKCustomItem& item, const TTKSubmenuRequest& request) override {
        return ShowSubmenuWindow(item, request);
    }

    TTKMenuOutcome RunPopupMenu(TTKCustomItem& item, const QPoint& point, bool,
                                TTKPopupAlignment alignment) override {
        TTKSubmenuRequest request;
        request.point = point;
        request.alignment = alignment;
        // Through the item, so its OnPopup handlers fill the menu before it is laid out.
        QWidget* shown = item.ShowSubmenu(request);
        const std::unique_ptr<QWidget> owned(shown);
        auto* window = qobject_cast<TTKPopupWindow*>(shown);
        if (!window)
            return {};
        return RunMenuLoop(window->View(), false);
    }
};

} // namespace

void BeginLoopCapture(QWidget& window) {
    LoopCapture& capture = Capture();
    if (capture.depth++ > 0)
        return;
    capture.window = &window;
    window.grabMouse();
    window.grabKeyboard();
    QApplication::setOverrideCursor(Qt::ArrowCursor);
}

void EndLoopCapture() {
    LoopCapture& capture = Capture();
    if (capture.depth == 0 || --capture.depth > 0)
        return;
    QApplication::restoreOverrideCursor();
    if (capture.window && QWidget::mouseGrabber() == capture.window)
        capture.window->releaseMouse();
    if (capture.window && QWidget::keyboardGrabber() == capture.window)
        capture.window->releaseKeyboard();
    capture.window = nullptr;
}

int LoopCaptureDepth() {
    return Capture().depth;
}

TTKMenuOutcome RunMenuLoop(TTKView& rootView, bool selectFirst) {
    MenuLoop loop(rootView, selectFirst);
    return loop.Run();
}

ITTKPopupFactory& KitPopupFactory() {
    static KitFactory factory;
    return factory;
}

} // namespace quarn
