#pragma once

#include <QEvent>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <memory>

class QWidget;

namespace quarn {

// The animation's messages: a step (or the worker's end) to the animation, and the end to the window.
QEvent::Type AnimationStepEventType();
QEvent::Type AnimationDoneEventType();

// Directions of a slide, as bits.
namespace tkad {
inline constexpr unsigned Leftwards = 1;
inline constexpr unsigned Rightwards = 2;
inline constexpr unsigned Downwards = 4;
inline constexpr unsigned Upwards = 8;
} // namespace tkad

// Fades or slides a pop-up window in. The window is captured once; a worker thread only reads the clock
// and posts steps, the GUI thread shows them. The animation ends when it has run its time, when the
// mouse moves into the window, when the window is hidden or destroyed, or when another one starts; at
// every end the worker is joined and the window gets the done event. One animation at a time.
class TTKPopupAnimation : public QObject {
public:
    static TTKPopupAnimation& Instance();
    ~TTKPopupAnimation() override;

    // Shows the window without activating it and animates it for `durationMs`; `blend` fades, else it
    // slides in `direction`. A duration of 0 or less shows it at once.
    void Start(QWidget& window, int durationMs, bool blend, unsigned direction);
    void Finish();
    bool Running() const { return running_; }
    bool WorkerAlive() const;
    QWidget* Window() const { return window_; }
    int Step() const;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Shared;
    TTKPopupAnimation();
    void ApplyStep(int step);

    std::shared_ptr<Shared> shared_;
    QPointer<QWidget> window_;
    QMetaObject::Connection destroyedConnection_;
    QPixmap image_;
    QRect screenRect_;
    QPoint lastCursor_;
    QPoint imageOffset_;
    bool blend_ = false;
    unsigned direction_ = 0;
    bool running_ = false;
    int sequence_ = 0;
};

} // namespace quarn
