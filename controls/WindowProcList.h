#pragma once

#include <QObject>
#include <cstddef>
#include <functional>
#include <vector>

class QWidget;

namespace quarn {

// The controls of one class that a theme manager filters. Entries are sorted by address lazily (before
// the next search after an insert) and searched binary; the last control found is cached. The list is
// the event filter of its controls: a filtered event goes to `handler`, which returns true when it has
// finished the event; otherwise the control handles it as ever.
class TWindowProcList : public QObject {
public:
    using AcceptsClass = std::function<bool(const QWidget&)>;
    using Handler = std::function<bool(QWidget& control, QEvent& event)>;
    // Called for every windowed descendant of a removed control, children before the next sibling.
    using Unsubclass = std::function<void(QWidget& descendant)>;

    TWindowProcList(AcceptsClass accepts, Handler handler, Unsubclass unsubclass);
    ~TWindowProcList() override;
    TWindowProcList(const TWindowProcList&) = delete;
    TWindowProcList& operator=(const TWindowProcList&) = delete;

    bool Accepts(const QWidget& control) const { return accepts_(control); }
    // Nothing when the control is not of the list's class or already in it.
    void Add(QWidget& control);
    // Takes the control out and its windowed descendants out of whatever list holds them.
    void Remove(QWidget& control);
    // Every control leaves, nothing else is touched.
    void Clear();
    // Index of the control, or -1.
    int IndexOf(const QObject* control);
    bool Contains(const QObject* control) { return IndexOf(control) >= 0; }
    std::size_t Count() const { return entries_.size(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RemoveAt(int index);
    void ControlDestroyed(QObject* control);

    std::vector<QObject*> entries_;
    bool dirty_ = false;
    const QObject* cachedControl_ = nullptr;
    int cachedIndex_ = -1;
    AcceptsClass accepts_;
    Handler handler_;
    Unsubclass unsubclass_;
};

} // namespace quarn
