#include "controls/ThemeHandlers.h"

#include "controls/GroupboxKio.h"
#include "controls/PanelKio.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolButton>

namespace quarn {
namespace {

constexpr const char* kFocusCues = "quarnFocusCues";
constexpr const char* kAcceleratorCues = "quarnAcceleratorCues";

bool IsCueKey(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Left || key == Qt::Key_Up ||
           key == Qt::Key_Right || key == Qt::Key_Down;
}

void PaintGroupBox(QGroupBox& box, TThemeServices& services) {
    QPainter painter(&box);
    painter.setFont(box.font());
    const QFontMetrics metrics(box.font());
    const QString caption = box.title();
    const int textWidth = caption.isEmpty() ? 0 : metrics.horizontalAdvance(QString(caption).remove('&'));
    const int left = box.layoutDirection() == Qt::RightToLeft ? box.width() - textWidth - 8 : 8;
    const QRect captionRect(left, 0, textWidth, metrics.height());
    const QRect frame = box.rect().adjusted(0, metrics.height() / 2, 0, 0);
    const TThemedElementDetails details =
        ElementPartState(TThemedElement::teButton, box.isEnabled() ? 27 : 28);
    painter.save();
    if (!caption.isEmpty()) {
        painter.setClipRegion(QRegion(box.rect()).subtracted(QRegion(captionRect)));
    }
    services.DrawElement(painter, details, frame);
    painter.restore();
    if (!caption.isEmpty()) {
        services.DrawText(painter, details, caption, captionRect);
    }
}

void PaintPanel(TPanelKio& panel, TThemeServices& services) {
    QPainter painter(&panel);
    QRect rect = panel.rect();
    const QColor light = panel.palette().color(QPalette::Light);
    const QColor shadow = panel.palette().color(QPalette::Dark);
    const auto bevel = [&](TBevelCut cut) {
        if (cut == TBevelCut::bvNone) {
            return;
        }
        const bool lowered = cut == TBevelCut::bvLowered;
        Frame3D(painter, rect, lowered ? shadow : light, lowered ? light : shadow, panel.BevelWidth());
    };
    // The panel has its parent's colour, so the parent shows through the whole face.
    const QRect all = panel.rect();
    services.DrawParentBackdrop(panel, painter, nullptr, false, &all);
    bevel(panel.BevelOuter());
    rect.adjust(panel.BorderWidth(), panel.BorderWidth(), -panel.BorderWidth(), -panel.BorderWidth());
    bevel(panel.BevelInner());
    if (!panel.Caption().isEmpty()) {
        painter.setPen(panel.palette().color(QPalette::WindowText));
        painter.drawText(rect,
                         Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic | Qt::TextExpandTabs,
                         panel.Caption());
    }
}

void PaintSpeedButton(QToolButton& button, TThemeServices& services) {
    QPainter painter(&button);
    const QRect all = button.rect();
    services.DrawParentBackdrop(button, painter, nullptr, false, &all);
    const bool flat = button.autoRaise();
    const TThemedElementDetails details = SpeedButtonDetails(
        flat, button.isEnabled(), button.isDown() || button.isChecked(), button.underMouse());
    services.DrawElement(painter, details, all);
    const QRect content = services.ContentRect(details, all);

    // Glyph left of the caption, the two centred together with a spacing of 4.
    const QSize iconSize = button.icon().isNull() ? QSize() : button.iconSize();
    // Without a picture the caption shows whatever the button's style.
    const QString text =
        button.toolButtonStyle() == Qt::ToolButtonIconOnly && !iconSize.isEmpty() ? QString() : button.text();
    const QFontMetrics metrics(button.font());
    const int textWidth = text.isEmpty() ? 0 : metrics.horizontalAdvance(QString(text).remove('&'));
    const int spacing = iconSize.isEmpty() || text.isEmpty() ? 0 : 4;
    int x = content.left() + (content.width() - iconSize.width() - spacing - textWidth) / 2;
    if (!iconSize.isEmpty()) {
        const QIcon::Mode mode = button.isEnabled() ? QIcon::Normal : QIcon::Disabled;
        button.icon().paint(
            &painter, QRect(QPoint(x, content.top() + (content.height() - iconSize.height()) / 2), iconSize),
            Qt::AlignCenter, mode);
        x += iconSize.width() + spacing;
    }
    if (!text.isEmpty()) {
        const QColor colour = !button.isEnabled() && flat
                                  ? button.palette().color(QPalette::Disabled, QPalette::Text)
                                  : button.palette().color(QPalette::ButtonText);
        painter.setPen(colour);
        painter.drawText(QRect(x, content.top(), textWidth, content.height()),
                         Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text);
    }
    if (button.hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(&button);
        focus.rect = content;
        button.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, &button);
    }
}

bool HandleButton(QWidget& control, QEvent& event) {
    KeyboardCue(control, event);
    if (event.type() == QEvent::Enter || event.type() == QEvent::Leave) {
        // A push button with a picture follows the pointer; the event still reaches the button, whose
        // status tip and hover depend on it.
        if (auto* push = qobject_cast<QPushButton*>(&control); push != nullptr && !push->icon().isNull()) {
            push->update();
        }
    }
    return false;
}

bool HandleSpeedButton(QWidget& control, QEvent& event, TThemeServices& services) {
    auto* button = qobject_cast<QToolButton*>(&control);
    // The program's own 97-style buttons paint their faces themselves; a button with a menu or an arrow
    // keeps the style's own drawing of them.
    if (button == nullptr || button->menu() != nullptr || button->arrowType() != Qt::NoArrow) {
        return false;
    }
    if (event.type() == QEvent::Paint) {
        PaintSpeedButton(*button, services);
        return true;
    }
    if ((event.type() == QEvent::Enter || event.type() == QEvent::Leave) && !button->autoRaise()) {
        button->update();
    }
    return false;
}

bool HandleGroupBox(QWidget& control, QEvent& event, TThemeServices& services) {
    KeyboardCue(control, event);
    auto& box = static_cast<QGroupBox&>(control);
    // The program's own group box draws through the same theme with its page modes; a check-box title
    // is the box's own.
    if (event.type() != QEvent::Paint || dynamic_cast<TGroupboxKio*>(&box) != nullptr || box.isCheckable()) {
        return false;
    }
    PaintGroupBox(box, services);
    return true;
}

bool HandlePanel(QWidget& control, QEvent& event, TThemeServices& services) {
    auto& panel = static_cast<TPanelKio&>(control);
    if (event.type() != QEvent::Paint || panel.ThemeMode() != TThemeMode::tmDefault ||
        !PanelTakesParentColour(panel)) {
        return false;
    }
    PaintPanel(panel, services);
    return true;
}

// Painted first: the control paints its own content over it.
bool PaintBackdropFirst(QWidget& control, QEvent& event, TThemeServices& services) {
    if (event.type() == QEvent::Paint) {
        QPainter painter(&control);
        const QRect area = static_cast<QPaintEvent&>(event).rect();
        services.DrawParentBackdrop(control, painter, nullptr, false, &area);
    }
    return false;
}

bool HandleStatusBar(QWidget& control, QEvent& event, TThemeServices& services) {
    if (event.type() == QEvent::Paint) {
        QPainter painter(&control);
        services.DrawElement(painter, ElementPartState(TThemedElement::teStatus, 1), control.rect());
    }
    return false;
}

} // namespace

bool FocusCuesShown(const QWidget& form) {
    return form.property(kFocusCues).toBool();
}

bool AcceleratorCuesShown(const QWidget& form) {
    return form.property(kAcceleratorCues).toBool();
}

void KeyboardCue(QWidget& control, const QEvent& event) {
    if (event.type() != QEvent::KeyPress) {
        return;
    }
    const int key = static_cast<const QKeyEvent&>(event).key();
    QWidget* form = control.window();
    if (IsCueKey(key) && !FocusCuesShown(*form)) {
        form->setProperty(kFocusCues, true);
        form->setAttribute(Qt::WA_KeyboardFocusChange);
        form->update();
    } else if (key == Qt::Key_Alt && !AcceleratorCuesShown(*form)) {
        form->setProperty(kAcceleratorCues, true);
        form->update();
    }
}

TThemedElementDetails SpeedButtonDetails(bool flat, bool enabled, bool pressed, bool hot) {
    const int detail = !enabled ? 5 : pressed ? 4 : hot ? 3 : 2;
    return ElementPartState(flat ? TThemedElement::teToolBar : TThemedElement::teButton, detail);
}

bool PanelTakesParentColour(const TPanelKio& panel) {
    const QWidget* parent = panel.parentWidget();
    return panel.ParentColor() || (parent != nullptr && parent->palette().color(QPalette::Window) ==
                                                            panel.palette().color(QPalette::Window));
}

bool HandleThemedMessage(TThemeListKind kind, QWidget& control, QEvent& event, TThemeServices& services) {
    switch (kind) {
    case TThemeListKind::Buttons:
        return HandleButton(control, event);
    case TThemeListKind::SpeedButtons:
        return HandleSpeedButton(control, event, services);
    case TThemeListKind::GroupBox:
        return HandleGroupBox(control, event, services);
    case TThemeListKind::TabSheet:
        return PaintBackdropFirst(control, event, services);
    case TThemeListKind::Panel:
        return HandlePanel(control, event, services);
    case TThemeListKind::Frame:
        if (event.type() == QEvent::Paint) {
            PaintBackdropFirst(control, event, services);
            return true;
        }
        return false;
    case TThemeListKind::StatusBar:
        return HandleStatusBar(control, event, services);
    case TThemeListKind::WinControl:
        KeyboardCue(control, event);
        return false;
    default:
        return false;
    }
}

} // namespace quarn
