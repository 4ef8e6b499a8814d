#include "foundation/HintWindowU.h"

#include <QToolTip>

namespace quarn {

namespace {

// The stand-in until controls registers its own window: Qt's one tool tip.
class TToolTipHint : public IHintWindow {
public:
    void ActivateHint(const QPoint& screenPoint, const QString& text, int maxWidth) override {
        text_ = HintLines(text);
        const QString shown =
            QStringLiteral("<p style='white-space:pre-wrap; max-width:%1px'>%2</p>")
                .arg(maxWidth)
                .arg(text_.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>")));
        QToolTip::showText(screenPoint, shown);
        shown_ = true;
    }
    void ReleaseHint() override {
        if (shown_ && QToolTip::isVisible()) {
            QToolTip::hideText();
        }
        shown_ = false;
    }
    bool HintShown() const override { return shown_ && QToolTip::isVisible(); }
    QString HintText() const override { return text_; }

private:
    QString text_;
    bool shown_ = false;
};

THintWindowClass& RegisteredClass() {
    static THintWindowClass windowClass;
    return windowClass;
}

std::unique_ptr<IHintWindow>& ChannelHintWindow() {
    static std::unique_ptr<IHintWindow> window;
    return window;
}

} // namespace

void SetHintWindowClass(THintWindowClass windowClass) {
    RegisteredClass() = std::move(windowClass);
}

std::unique_ptr<IHintWindow> CreateHintWindow() {
    if (RegisteredClass()) {
        return RegisteredClass()();
    }
    return std::make_unique<TToolTipHint>();
}

void ShowChannelHint(const QPoint& screenPoint, const QString& text, int maxWidth) {
    CloseChannelHint();
    std::unique_ptr<IHintWindow>& window = ChannelHintWindow();
    window = CreateHintWindow();
    window->ActivateHint(screenPoint, text, maxWidth);
}

void CloseChannelHint() {
    if (std::unique_ptr<IHintWindow>& window = ChannelHintWindow()) {
        window->ReleaseHint();
        window.reset();
    }
}

const IHintWindow* ChannelHint() {
    return ChannelHintWindow().get();
}

QString HintLines(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

} // namespace quarn
