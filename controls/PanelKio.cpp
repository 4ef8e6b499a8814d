#include "controls/PanelKio.h"

#include <QEvent>
#include <QPainter>

namespace quarn {

void Frame3D(QPainter& painter, QRect& rect, const QColor& topLeft, const QColor& bottomRight, int width) {
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        painter.fillRect(QRect(rect.left(), rect.top(), rect.width() - 1, 1), topLeft);
        painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height() - 1), topLeft);
        painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
        painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
        rect.adjust(1, 1, -1, -1);
    }
}

TPanelKio::TPanelKio(QWidget* parent) : QWidget(parent) {
    // The panel paints its own face; in the frames-only mode what lies behind shows through.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPanelKio::SetThemeMode(TThemeMode mode) {
    if (mode == themeMode_) {
        return;
    }
    themeMode_ = mode;
    if (mode != TThemeMode::tmDefault) {
        parentColor_ = false;
    }
    update();
}

void TPanelKio::SetBevelOuter(TBevelCut cut) {
    bevelOuter_ = cut;
    update();
}

void TPanelKio::SetBevelInner(TBevelCut cut) {
    bevelInner_ = cut;
    update();
}

void TPanelKio::SetBevelWidth(int width) {
    bevelWidth_ = std::max(1, width);
    update();
}

void TPanelKio::SetBorderWidth(int width) {
    borderWidth_ = std::max(0, width);
    update();
}

void TPanelKio::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void TPanelKio::SetParentColor(bool parentColor) {
    parentColor_ = parentColor;
    update();
}

QColor TPanelKio::FaceColor() const {
    const QWidget* parent = parentWidget();
    return parentColor_ && parent != nullptr ? parent->palette().color(QPalette::Window)
                                             : palette().color(QPalette::Window);
}

QRect TPanelKio::PaintFrames(QPainter& painter) const {
    QRect rect = this->rect();
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    const auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::bvNone) {
            return;
        }
        const bool lowered = cut == TBevelCut::bvLowered;
        Frame3D(painter, rect, lowered ? shadow : light, lowered ? light : shadow, bevelWidth_);
    };
    bevel(bevelOuter_);
    Frame3D(painter, rect, FaceColor(), FaceColor(), borderWidth_);
    bevel(bevelInner_);
    return rect;
}

void TPanelKio::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    switch (themeMode_) {
    case TThemeMode::tmNoPaint:
        PaintFrames(painter);
        return;
    case TThemeMode::tmTabBody:
        painter.fillRect(rect(), FaceColor());
        if (!tabTheme_ && parentWidget() != nullptr) {
            tabTheme_ = OpenThemeData(parentWidget(), QStringLiteral("Tab"));
        }
        if (tabTheme_) {
            DrawThemeBackground(*tabTheme_, painter, TABP_BODY, 1, rect());
            return;
        }
        break;
    case TThemeMode::tmDefault:
        break;
    }
    const QRect inner = PaintFrames(painter);
    painter.fillRect(inner, FaceColor());
    if (!caption_.isEmpty()) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(inner, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, caption_);
    }
}

void TPanelKio::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange) {
        CloseThemeData(tabTheme_);
        update();
    }
}

} // namespace quarn
