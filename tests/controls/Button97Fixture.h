#pragma once

#include "controls/Button97.h"

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>
#include <map>

namespace quarn::test {

// A repeat timer driven by hand.
class FakeButtonTimer : public TButton97Timer {
public:
    void Start(int intervalMs) override {
        interval = intervalMs;
        active = true;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    void Fire() {
        if (active && onTimeout) {
            onTimeout();
        }
    }
    int interval = 0;
    bool active = false;
};

// A glyph strip of `images` 16 x 16 pictures on the mask colour 0xFF00FF: a blue disc with a white
// spot (up), the same in grey 0x808080 and white (disabled), dark blue (down), green (exclusive) and
// orange (hot).
inline QImage GlyphStrip(int images) {
    const QColor discs[] = {QColor(30, 90, 200), QColor(0x80, 0x80, 0x80), QColor(10, 40, 120),
                            QColor(0, 140, 60), QColor(230, 130, 0)};
    QImage strip(16 * images, 16, QImage::Format_RGB32);
    strip.fill(QColor(0xFF, 0x00, 0xFF));
    QPainter painter(&strip);
    for (int i = 0; i < images; ++i) {
        painter.setPen(Qt::black);
        painter.setBrush(discs[i]);
        painter.drawEllipse(QRect(16 * i + 2, 2, 11, 11));
        painter.fillRect(QRect(16 * i + 5, 5, 3, 3), Qt::white);
    }
    return strip;
}

// A shown, active form for the buttons, as the operator's window would be.
class Button97Form : public ::testing::Test {
protected:
    void SetUp() override {
        form_.resize(320, 160);
        form_.show();
        form_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
    }

    TButton97* Make(QPoint at, QSize size = QSize(22, 23)) {
        auto* button = new TButton97(&form_);
        button->setGeometry(QRect(at, size));
        button->show();
        return button;
    }

    // How often `button` has raised clicked() since this was first asked.
    const int& Clicks(TButton97& button) {
        if (!clicks_.contains(&button)) {
            clicks_[&button] = 0;
            QObject::connect(&button, &TButton97::clicked, &form_, [this, b = &button] { ++clicks_[b]; });
        }
        return clicks_[&button];
    }

    QWidget form_;
    std::map<TButton97*, int> clicks_;
};

} // namespace quarn::test
