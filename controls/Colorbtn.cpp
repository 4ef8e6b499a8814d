#include "controls/Colorbtn.h"

#include "platform/SystemColor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace quarn {

namespace {

QColor FromStored(std::uint32_t value) {
    return ColorValueToQColor(value);
}

std::uint32_t ToStored(const QColor& color) {
    return static_cast<std::uint32_t>(color.red()) | static_cast<std::uint32_t>(color.green()) << 8 |
           static_cast<std::uint32_t>(color.blue()) << 16;
}

std::optional<std::uint32_t> RunColorDialog(const TColorDialogRequest& request) {
    for (const QString& entry : request.customColors) {
        const qsizetype equals = entry.indexOf(u'=');
        const QString name = entry.left(equals).trimmed().toUpper();
        if (equals < 0 || name.size() != 6 || !name.startsWith(u"COLOR")) {
            continue;
        }
        const int index = name[5].unicode() - u'A';
        bool ok = false;
        const std::uint32_t value = entry.mid(equals + 1).trimmed().toUInt(&ok, 16);
        if (ok && index >= 0 && index < QColorDialog::customCount()) {
            QColorDialog::setCustomColor(index, FromStored(value));
        }
    }
    QColorDialog dialog(FromStored(request.color), request.parent);
    dialog.setOptions(request.options);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return ToStored(dialog.selectedColor());
}

} // namespace

TColorDialogSeam& ColorDialogSeam() {
    static TColorDialogSeam seam = RunColorDialog;
    return seam;
}

TColorButton::TColorButton(QWidget* parent) : QWidget(parent) {
    resize(45, 25);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void TColorButton::SetColor(std::uint32_t color) {
    color_ = color;
    update();
}

void TColorButton::SetMargin(int margin) {
    if (margin >= 0 && margin <= 2) {
        margin_ = margin;
        update();
    }
}

void TColorButton::SetPressed(bool pressed) {
    if (pressed != pressed_) {
        pressed_ = pressed;
        update();
    }
}

void TColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colors = palette();
    const QRect area = rect();
    painter.fillRect(area, colors.color(QPalette::Button));

    // Two steps of 3D frame: outside highlight and dark shadow, inside face and shadow; pressed reversed.
    const auto edge = [&](const QRect& frame, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(frame.topLeft(), frame.topRight());
        painter.drawLine(frame.topLeft(), frame.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(frame.bottomLeft(), frame.bottomRight());
        painter.drawLine(frame.topRight(), frame.bottomRight());
    };
    const QColor light = colors.color(QPalette::Light);
    const QColor darkShadow = colors.color(QPalette::Shadow);
    const QColor face = colors.color(QPalette::Button);
    const QColor shadow = colors.color(QPalette::Dark);
    if (pressed_) {
        edge(area, darkShadow, light);
        edge(area.adjusted(1, 1, -1, -1), shadow, face);
    } else {
        edge(area, light, darkShadow);
        edge(area.adjusted(1, 1, -1, -1), face, shadow);
    }

    if (hasFocus()) {
        QRect focus = area.adjusted(3, 3, -3, -3);
        if (pressed_) {
            focus.translate(1, 1);
        }
        QPen dotted(colors.color(QPalette::WindowText));
        dotted.setStyle(Qt::DotLine);
        painter.setPen(dotted);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(focus.adjusted(0, 0, -1, -1));
    }

    const int swatchWidth = width() - 15 + 2 * margin_;
    const int swatchHeight = height() - 15 + 2 * margin_;
    if (swatchWidth > 0 && swatchHeight > 0) {
        const QRect swatch((width() - swatchWidth) / 2, (height() - swatchHeight) / 2, swatchWidth,
                           swatchHeight);
        painter.setPen(Qt::black);
        painter.setBrush(isEnabled() ? FromStored(color_) : face);
        painter.drawRect(swatch.adjusted(0, 0, -1, -1));
    }
}

void TColorButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    tracking_ = true;
    SetPressed(true);
}

void TColorButton::mouseMoveEvent(QMouseEvent* event) {
    if (tracking_) {
        SetPressed(rect().contains(event->position().toPoint()));
    }
}

void TColorButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !tracking_) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    tracking_ = false;
    const bool inside = rect().contains(event->position().toPoint());
    SetPressed(false);
    if (inside) {
        Click();
    }
}

void TColorButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        SetPressed(true);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TColorButton::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && pressed_) {
        SetPressed(false);
        Click();
        return;
    }
    QWidget::keyReleaseEvent(event);
}

void TColorButton::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange) {
        update();
    }
}

void TColorButton::Click() {
    TColorDialogRequest request;
    request.color = color_;
    request.options = options_;
    request.customColors = customColors_;
    request.parent = this;
    QPointer<TColorButton> alive(this);
    const std::optional<std::uint32_t> chosen = ColorDialogSeam()(request);
    if (!alive) {
        return;
    }
    if (chosen) {
        color_ = *chosen;
        update();
        emit ColorChange();
    }
    emit Clicked();
}

} // namespace quarn
