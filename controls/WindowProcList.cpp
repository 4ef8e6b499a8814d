#include "controls/WindowProcList.h"

#include <QWidget>
#include <algorithm>

namespace quarn {

TWindowProcList::TWindowProcList(AcceptsClass accepts, Handler handler, Unsubclass unsubclass)
    : accepts_(std::move(accepts)), handler_(std::move(handler)), unsubclass_(std::move(unsubclass)) {}

TWindowProcList::~TWindowProcList() {
    Clear();
}

void TWindowProcList::Add(QWidget& control) {
    if (!accepts_(control) || IndexOf(&control) >= 0) {
        return;
    }
    entries_.push_back(&control);
    dirty_ = true;
    control.installEventFilter(this);
    connect(&control, &QObject::destroyed, this, &TWindowProcList::ControlDestroyed);
}

void TWindowProcList::Remove(QWidget& control) {
    const int index = IndexOf(&control);
    if (index < 0) {
        return;
    }
    RemoveAt(index);
    control.removeEventFilter(this);
    disconnect(&control, &QObject::destroyed, this, &TWindowProcList::ControlDestroyed);
    // Depth first: a child's children go before the child's next sibling.
    const std::function<void(QWidget&)> descendants = [&](QWidget& parent) {
        for (QObject* child : parent.children()) {
            if (child->isWidgetType()) {
                auto& widget = static_cast<QWidget&>(*child);
                unsubclass_(widget);
                descendants(widget);
            }
        }
    };
    descendants(control);
}

void TWindowProcList::Clear() {
    for (QObject* control : entries_) {
        control->removeEventFilter(this);
        disconnect(control, &QObject::destroyed, this, &TWindowProcList::ControlDestroyed);
    }
    entries_.clear();
    cachedControl_ = nullptr;
    cachedIndex_ = -1;
    dirty_ = false;
}

int TWindowProcList::IndexOf(const QObject* control) {
    if (control == nullptr || entries_.empty()) {
        return -1;
    }
    if (dirty_ && entries_.size() > 1) {
        std::sort(entries_.begin(), entries_.end(), std::less<>());
        cachedControl_ = nullptr;
        cachedIndex_ = -1;
    }
    dirty_ = false;
    if (control == cachedControl_) {
        return cachedIndex_;
    }
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), control, std::less<>());
    if (found == entries_.end() || *found != control) {
        return -1;
    }
    cachedControl_ = control;
    cachedIndex_ = static_cast<int>(found - entries_.begin());
    return cachedIndex_;
}

void TWindowProcList::RemoveAt(int index) {
    entries_.erase(entries_.begin() + index);
    if (index <= cachedIndex_) {
        cachedControl_ = nullptr;
        cachedIndex_ = -1;
    }
}

void TWindowProcList::ControlDestroyed(QObject* control) {
    // The control is past its own handling; only its address is left to take out.
    const int index = IndexOf(control);
    if (index >= 0) {
        RemoveAt(index);
    }
}

bool TWindowProcList::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType()) {
        return false;
    }
    return handler_(static_cast<QWidget&>(*watched), *event);
}

} // namespace quarn
