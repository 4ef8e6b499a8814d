#include "controls/HintWindowKio.h"

#include "controls/ControlBilder.h"
#include "foundation/ProgramGlobals.h"

#include <QApplication>
#include <QPainter>
#include <QToolTip>

namespace quarn {

namespace {

constexpr int kTextFlags = Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop;

// The window behind the seam. The widget goes with it, unless the application is already gone.
class THintWindowKioSeam : public IHintWindow {
public:
    ~THintWindowKioSeam() override {
        if (QCoreApplication::instance() == nullptr) {
            (void)window_.release();
        }
    }
    void ActivateHint(const QPoint& screenPoint, const QString& text, int maxWidth) override {
        if (!window_) {
            window_ = std::make_unique<THintWindowKio>();
        }
        const QString lines = HintLines(text);
        window_->ActivateHint(window_->CalcHintRect(maxWidth, lines).translated(screenPoint), lines);
    }
    void ReleaseHint() override {
        if (window_) {
            window_->hide();
        }
    }
    bool HintShown() const override { return window_ != nullptr && window_->isVisible(); }
    QString HintText() const override { return window_ != nullptr ? window_->Text() : QString(); }

private:
    std::unique_ptr<THintWindowKio> window_;
};

} // namespace

THintWindowKio::THintWindowKio(int colorCapability)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName("THintWindowKio");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setPalette(QToolTip::palette());
    setFont(QToolTip::font());
    if ((colorCapability < 0 ? ColorCapability() : colorCapability) > 0) {
        background_ = HintBackgroundBild();
    }
}

QRect THintWindowKio::CalcHintRect(int maxWidth, const QString& text) const {
    const QRect bounds =
        fontMetrics().boundingRect(QRect(0, 0, std::max(1, maxWidth), 0x7FFF), kTextFlags, text);
    return QRect(0, 0, bounds.width() + 10, bounds.height() + 5);
}

void THintWindowKio::ActivateHint(const QRect& rect, const QString& text) {
    text_ = text;
    setGeometry(rect);
    show();
    raise();
    update();
}

void THintWindowKio::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (background_.isNull()) {
        painter.fillRect(rect(), palette().color(QPalette::ToolTipBase));
    } else {
        painter.drawPixmap(rect(), background_);
    }
    // A thin edge so the window stands off what lies under it.
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect().adjusted(4, 1, 0, 0), kTextFlags, text_);
}

void RegisterHintWindowKio() {
    SetHintWindowClass([] { return std::make_unique<THintWindowKioSeam>(); });
}

} // namespace quarn
