#include "toolbars/items/TTKPopupAnimation.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quarn {

namespace {

const QEvent::Type kStepEvent = static_cast<QEvent::Type>(QEvent::registerEventType(0x0955));
const QEvent::Type kDoneEvent = static_cast<QEvent::Type>(QEvent::registerEventType(0x0956));

class StepEvent : public QEvent {
public:
    explicit StepEvent(int sequence) : QEvent(kStepEvent), sequence(sequence) {}
    const int sequence;
};

} // namespace

QEvent::Type AnimationStepEventType() {
    return kStepEvent;
}

QEvent::Type AnimationDoneEventType() {
    return kDoneEvent;
}

struct TTKPopupAnimation::Shared {
    std::mutex lock;
    std::condition_variable wake;
    bool stop = false;
    std::atomic<int> step{0};
    std::atomic<bool> pending{false};
    std::atomic<bool> finished{false};
    std::thread worker;
};

TTKPopupAnimation::TTKPopupAnimation() : shared_(std::make_shared<Shared>()) {}

TTKPopupAnimation::~TTKPopupAnimation() {
    Finish();
}

TTKPopupAnimation& TTKPopupAnimation::Instance() {
    static TTKPopupAnimation animation;
    return animation;
}

bool TTKPopupAnimation::WorkerAlive() const {
    return shared_->worker.joinable();
}

int TTKPopupAnimation::Step() const {
    return shared_->step.load();
}

void TTKPopupAnimation::Start(QWidget& window, int durationMs, bool blend, unsigned direction) {
    Finish();
    window_ = &window;
    blend_ = blend;
    direction_ = direction;
    lastCursor_ = QCursor::pos();
    screenRect_ = QRect(window.mapToGlobal(QPoint(0, 0)), window.size());
    shared_ = std::make_shared<Shared>();
    ++sequence_;
    window.setAttribute(Qt::WA_ShowWithoutActivating);
    if (durationMs <= 0) {
        // Nothing to animate over no time: the window simply appears.
        window.show();
        return;
    }
    image_ = window.grab();
    running_ = true;
    window.installEventFilter(this);
    destroyedConnection_ = connect(&window, &QObject::destroyed, this, [this] { Finish(); });
    ApplyStep(0);
    window.show();

    const int sequence = sequence_;
    const auto start = std::chrono::steady_clock::now();
    std::shared_ptr<Shared> shared = shared_;
    QObject* receiver = this;
    try {
        shared->worker = std::thread([shared, receiver, sequence, durationMs, start] {
            std::unique_lock<std::mutex> guard(shared->lock);
            while (!shared->stop) {
                const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - start)
                                         .count();
                const int raw = static_cast<int>(255 * elapsed / durationMs);
                const int step = raw & ~15;
                if (step > 240 || elapsed >= durationMs) {
                    break;
                }
                if (step > shared->step.load() && !shared->pending.exchange(true)) {
                    shared->step = step;
                    QCoreApplication::postEvent(receiver, new StepEvent(sequence));
                    continue;
                }
                const int wait = std::max(1, (shared->step.load() - raw + 16) * durationMs / 255);
                shared->wake.wait_for(guard, std::chrono::milliseconds(wait));
            }
            shared->finished = true;
            QCoreApplication::postEvent(receiver, new StepEvent(sequence));
        });
    } catch (const std::system_error&) {
        Finish();
    }
}

void TTKPopupAnimation::Finish() {
    if (shared_->worker.joinable()) {
        {
            std::lock_guard<std::mutex> guard(shared_->lock);
            shared_->stop = true;
        }
        shared_->wake.notify_all();
        shared_->worker.join();
    }
    if (!running_) {
        return;
    }
    running_ = false;
    ++sequence_;
    disconnect(destroyedConnection_);
    QPointer<QWidget> window = window_;
    window_.clear();
    image_ = QPixmap();
    if (!window) {
        return;
    }
    window->removeEventFilter(this);
    window->setWindowOpacity(1.0);
    window->clearMask();
    window->update();
    QEvent done(kDoneEvent);
    QCoreApplication::sendEvent(window, &done);
}

bool TTKPopupAnimation::event(QEvent* event) {
    if (event->type() != kStepEvent) {
        return QObject::event(event);
    }
    if (static_cast<StepEvent*>(event)->sequence != sequence_ || !running_) {
        return true;
    }
    if (shared_->finished || !window_) {
        Finish();
        return true;
    }
    // The mouse moving into the window shows it fully at once.
    const QPoint cursor = QCursor::pos();
    if (cursor != lastCursor_ && screenRect_.contains(cursor)) {
        Finish();
        return true;
    }
    lastCursor_ = cursor;
    ApplyStep(shared_->step.load());
    shared_->pending = false;
    return true;
}

void TTKPopupAnimation::ApplyStep(int step) {
    if (!window_) {
        return;
    }
    if (blend_) {
        // Where the platform has no window opacity the window just shows as it is.
        window_->setWindowOpacity(std::max(step, 32) / 255.0);
        return;
    }
    const int width = window_->width();
    const int height = window_->height();
    int dx = 0;
    int dy = 0;
    if (direction_ & tkad::Downwards) {
        dy = height * step / 255 - height;
    } else if (direction_ & tkad::Upwards) {
        dy = height - height * step / 255;
    }
    if (direction_ & tkad::Rightwards) {
        dx = width * step / 255 - width;
    } else if (direction_ & tkad::Leftwards) {
        dx = width - width * step / 255;
    }
    imageOffset_ = QPoint(dx, dy);
    const QRect shown = QRect(0, 0, width, height).translated(dx, dy).intersected(window_->rect());
    // An empty mask would show the whole window: one transparent pixel stands in for nothing.
    window_->setMask(shown.isEmpty() ? QRegion(0, 0, 1, 1) : QRegion(shown));
    window_->update();
}

bool TTKPopupAnimation::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Paint: {
        // While it moves the window shows its captured image, not itself.
        QPainter painter(window_);
        painter.drawPixmap(imageOffset_, image_);
        return true;
    }
    case QEvent::Hide:
    case QEvent::Close:
        Finish();
        return false;
    default:
        return false;
    }
}

} // namespace quarn
