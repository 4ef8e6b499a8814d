// The view's selection, its stepping and the accelerator search.
#include "toolbars/items/TTKCommon.h"
#include "toolbars/items/TTKCustomItem.h"
#include "toolbars/items/TTKSettings.h"
#include "toolbars/items/TTKView.h"

#include <QApplication>
#include <QCursor>
#include <QLocale>
#include <QWidget>

namespace quarn {

void TTKView::SetSelection(TTKItemViewer* viewer) {
    TTKItemViewer* old = selected_;
    const bool changed = old != viewer;
    if (changed) {
        if (old)
            old->SelectionLeft();
        selected_ = viewer;
    }
    const bool wasOver = mouseOverSelected_;
    mouseOverSelected_ = false;
    if (selected_ && window_) {
        const QPoint global = QCursor::pos();
        if (QApplication::widgetAt(global) == window_)
            mouseOverSelected_ = ViewerAtPoint(window_->mapFromGlobal(global)) == selected_;
    }
    if (changed) {
        if (old && (old->Item().StyleBits() & tbis::RedrawOnSelChange) != 0)
            RepaintViewer(old);
        if (selected_ && (selected_->Item().StyleBits() & tbis::RedrawOnSelChange) != 0)
            RepaintViewer(selected_);
        if (selected_)
            selected_->SelectionEntered();
    } else if (wasOver != mouseOverSelected_ && selected_ &&
               (selected_->Item().StyleBits() & tbis::RedrawOnMouseOverChange) != 0) {
        RepaintViewer(selected_);
    }
}

namespace {

QChar LowerByLocale(QChar c) {
    const QString lower = QLocale().toLower(QString(c));
    return lower.isEmpty() ? c : lower.front();
}

bool Selectable(const TTKItemViewer& viewer) {
    return (viewer.Shown() || viewer.Clipped()) && viewer.Item().Visible() &&
           (viewer.Item().StyleBits() & tbis::Selectable) != 0;
}

} // namespace

TTKItemViewer* TTKView::NextSelectable(bool forward) const {
    const int count = ViewerCount();
    if (count == 0)
        return nullptr;
    int start = -1;
    for (int i = 0; i < count; ++i)
        if (viewers_[i].get() == selected_)
            start = i;
    if (start < 0)
        start = forward ? count - 1 : 0;
    int i = start;
    for (int step = 0; step < count; ++step) {
        i = (i + (forward ? 1 : count - 1)) % count;
        if (Selectable(*viewers_[i]))
            return viewers_[i].get();
    }
    return nullptr;
}

void TTKView::StepSelection(bool forward) {
    if (TTKItemViewer* next = NextSelectable(forward)) {
        SetSelection(next);
        RevealSelection();
    }
}

TTKItemViewer* TTKView::FirstSelectable() const {
    TTKItemViewer* first = nullptr;
    for (const auto& viewer : viewers_) {
        if (!Selectable(*viewer))
            continue;
        if ((viewer->Item().StyleBits() & tbis::DontSelectFirst) == 0)
            return viewer.get();
        if (!first)
            first = viewer.get();
    }
    return first;
}

TTKItemViewer* TTKView::FindAccelTarget(TTKItemViewer* from, QChar key, bool primaryOnly,
                                        bool& onlyOne) const {
    const int count = ViewerCount();
    int start = -1;
    for (int i = 0; i < count; ++i)
        if (viewers_[i].get() == from)
            start = i;
    const QChar wanted = LowerByLocale(key);
    const auto search = [&](int after) -> TTKItemViewer* {
        for (int pass = 0; pass < (primaryOnly ? 1 : 2); ++pass) {
            for (const bool enabled : {true, false}) {
                for (int step = 1; step <= count; ++step) {
                    TTKItemViewer* viewer = viewers_[(after + step + count) % count].get();
                    if (!Selectable(*viewer) || !viewer->ShowsCaption() ||
                        viewer->Item().Enabled() != enabled)
                        continue;
                    const QString caption = viewer->CaptionPart();
                    const QChar accel = AccelCharOf(caption);
                    if (pass == 0 && !accel.isNull() && LowerByLocale(accel) == wanted)
                        return viewer;
                    if (pass == 1 && accel.isNull() && !caption.isEmpty() &&
                        caption.front() != QLatin1Char(' ') && LowerByLocale(caption.front()) == wanted)
                        return viewer;
                }
            }
        }
        return nullptr;
    };
    TTKItemViewer* hit = count > 0 ? search(start) : nullptr;
    onlyOne = false;
    if (hit) {
        int hitIndex = 0;
        while (viewers_[hitIndex].get() != hit)
            ++hitIndex;
        onlyOne = !hit->Item().Enabled() || search(hitIndex) == hit;
    }
    return hit;
}

void TTKView::SetAccelVisibility(bool force) {
    const bool visible = force || !hideAccelsUntilKeyboard_ || KitSettings().KeyboardCuesShown();
    if (visible == accelsVisible_)
        return;
    accelsVisible_ = visible;
    for (const auto& viewer : viewers_)
        if (viewer->ShowsCaption() && !AccelCharOf(viewer->CaptionPart()).isNull())
            RepaintViewer(viewer.get());
}

} // namespace quarn
