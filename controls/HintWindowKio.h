#pragma once

#include "foundation/HintWindowU.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace quarn {

// The program's own hint window: a tool-tip window shown without taking the focus, its face the
// "HintBackground" picture (the plain hint colour on a screen of few colours), the text word-wrapped
// 4 pixels in from the left and 1 down.
class THintWindowKio : public QWidget {
public:
    // `colorCapability` is the screen's colour level; -1 asks the screen.
    explicit THintWindowKio(int colorCapability = -1);

    // The window's size for `text` at a maximum width: the wrapped text's extent plus 10 by 5.
    QRect CalcHintRect(int maxWidth, const QString& text) const;
    // Sets text and bounds, then shows the window on top without activating it.
    void ActivateHint(const QRect& rect, const QString& text);
    QString Text() const { return text_; }
    bool HasBackground() const { return !background_.isNull(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QPixmap background_;
};

// Registers THintWindowKio as the application's hint window class.
void RegisterHintWindowKio();

} // namespace quarn
