#include "controls/GroupboxKio.h"

#include <QEvent>
#include <QPainter>

namespace quarn {

namespace {

QString WithoutMnemonic(QString text) {
    // "&&" stays one "&", a single "&" marks the next letter.
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

} // namespace

TGroupboxKio::TGroupboxKio(QWidget* parent) : QGroupBox(parent) {}

TGroupboxKio::TGroupboxKio(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

void TGroupboxKio::SetThemeMode(TThemeMode mode) {
    themeMode_ = mode;
    update();
}

void TGroupboxKio::SetCtl3D(bool ctl3D) {
    ctl3D_ = ctl3D;
    update();
}

QRect TGroupboxKio::CaptionRect() const {
    const QFontMetrics metrics(font());
    const int h = metrics.height();
    const int w = metrics.horizontalAdvance(WithoutMnemonic(title()));
    if (layoutDirection() == Qt::RightToLeft) {
        return QRect(width() - 8 - w, 0, w, h);
    }
    return QRect(8, 0, w, h);
}

void TGroupboxKio::PaintTabBody(QPainter& painter) {
    QWidget* parent = parentWidget();
    if (themeMode_ != TThemeMode::tmNoPaint || parent == nullptr) {
        return;
    }
    if (!tabTheme_) {
        tabTheme_ = OpenThemeData(this, QStringLiteral("TAB"));
    }
    if (!tabTheme_) {
        return;
    }
    // The parent's whole body in our coordinates, so its pattern lines up with the parent's own.
    const QRect body = parent->rect().translated(-pos());
    const QRect clip = rect();
    DrawThemeBackground(*tabTheme_, painter, TABP_BODY, 1, body, &clip);
}

void TGroupboxKio::PaintThemed(QPainter& painter, const QRect& frame, const QRect& caption) {
    const int state = isEnabled() ? GBS_NORMAL : GBS_DISABLED;
    if (title().isEmpty()) {
        DrawThemeBackground(*buttonTheme_, painter, BP_GROUPBOX, state, frame);
        return;
    }
    // Three pieces around the caption, so no line runs behind it.
    const QRect left(0, 0, caption.left(), height());
    const QRect right(caption.right() + 1, 0, width() - caption.right() - 1, height());
    const QRect below(caption.left(), caption.bottom() + 1, caption.width(), height() - caption.bottom() - 1);
    for (const QRect& clip : {left, right, below}) {
        DrawThemeBackground(*buttonTheme_, painter, BP_GROUPBOX, state, frame, &clip);
    }
    DrawThemeText(*buttonTheme_, painter, BP_GROUPBOX, state, title(), caption);
}

void TGroupboxKio::PaintClassic(QPainter& painter, const QRect& frame, const QRect& caption) {
    const QPalette& colours = palette();
    painter.setBrush(Qt::NoBrush);
    QRect r = frame.adjusted(0, -1, 0, 0);
    if (ctl3D_) {
        painter.setPen(colours.color(QPalette::Light));
        painter.drawRect(r.adjusted(1, 1, -1, -1));
        painter.setPen(colours.color(QPalette::Dark));
        painter.drawRect(r.adjusted(0, 0, -2, -2));
    } else {
        painter.setPen(colours.color(QPalette::Shadow));
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    }
    if (title().isEmpty()) {
        return;
    }
    painter.fillRect(caption, colours.color(QPalette::Window));
    painter.setPen(colours.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const int align = layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    painter.drawText(caption, align | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, title());
}

void TGroupboxKio::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintTabBody(painter);
    const int h = QFontMetrics(font()).height();
    const QRect frame(0, h / 2, width(), height() - h / 2);
    const QRect caption = CaptionRect();
    if (!buttonTheme_) {
        buttonTheme_ = OpenThemeData(this, QStringLiteral("BUTTON"));
    }
    if (buttonTheme_) {
        PaintThemed(painter, frame, caption);
    } else {
        PaintClassic(painter, frame, caption);
    }
}

void TGroupboxKio::changeEvent(QEvent* event) {
    QGroupBox::changeEvent(event);
    if (event->type() == QEvent::StyleChange) {
        CloseThemeData(tabTheme_);
        CloseThemeData(buttonTheme_);
        update();
    }
}

} // namespace quarn
