#include "controls/UxTheme.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionTabWidgetFrame>
#include <QStyleOptionToolBar>
#include <QStyleOptionToolButton>
#include <QWidget>
#include <optional>
#include <qdrawutil.h>

namespace quarn {

class TThemeData {
public:
    TThemeData(const QWidget* window, TThemeClass themeClass) : window_(window), class_(themeClass) {}
    const QWidget* Window() const { return window_; }
    TThemeClass Class() const { return class_; }

    // How far below the top of its rectangle the style starts the group-box frame (some styles leave
    // room for a caption above it); the frame is moved up by that much so it runs through the caption.
    int GroupFrameOffset(QStyle& style) const {
        if (!groupFrameOffset_) {
            const int height =
                64 + 4 * QFontMetrics(window_ ? window_->font() : QApplication::font()).height();
            QImage probe(64, height, QImage::Format_ARGB32_Premultiplied);
            probe.fill(Qt::transparent);
            QPainter painter(&probe);
            QStyleOptionFrame option;
            if (window_) {
                option.initFrom(window_);
            }
            option.rect = probe.rect();
            option.lineWidth = 1;
            style.drawPrimitive(QStyle::PE_FrameGroupBox, &option, &painter, nullptr);
            painter.end();
            groupFrameOffset_ = 0;
            for (int y = 0; y < probe.height() && *groupFrameOffset_ == 0; ++y) {
                for (int x = 0; x < probe.width(); ++x) {
                    if (qAlpha(probe.pixel(x, y)) != 0) {
                        groupFrameOffset_ = y;
                        break;
                    }
                }
            }
        }
        return *groupFrameOffset_;
    }

private:
    mutable std::optional<int> groupFrameOffset_;
    QPointer<const QWidget> window_;
    TThemeClass class_;
};

void TThemeDataClose::operator()(TThemeData* data) const {
    delete data;
}

namespace {

QStyle* StyleFor(const QWidget* window) {
    return window != nullptr ? window->style() : QApplication::style();
}

void InitOption(QStyleOption& option, const TThemeData& theme, int part, int state, const QRect& rect) {
    const QWidget* window = theme.Window();
    if (window != nullptr) {
        option.initFrom(window);
    }
    option.rect = rect;
    // The window's own hover and focus are not the element's: the part and state say what is drawn.
    const QStyle::State mapped = ThemeStyleState(theme.Class(), part, state);
    const bool enabled = (mapped & QStyle::State_Enabled) && (window == nullptr || window->isEnabled());
    option.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus | QStyle::State_Sunken |
                      QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange | QStyle::State_Enabled);
    option.state |= mapped & ~QStyle::State_Enabled;
    if (enabled) {
        option.state |= QStyle::State_Enabled;
    } else {
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    }
}

// The four states of a push-like element in their order: normal, hot, pressed, disabled.
QStyle::State FourStates(int index) {
    switch (index) {
    case 1:
        return QStyle::State_Enabled | QStyle::State_MouseOver;
    case 2:
        return QStyle::State_Enabled | QStyle::State_Sunken;
    case 3:
        return QStyle::State_None;
    default:
        return QStyle::State_Enabled;
    }
}

// Edits and tab items: normal, hot, selected, disabled, focused (states 1 to 5).
QStyle::State NormalHotSelectedDisabledFocused(int state) {
    switch (state) {
    case 2:
        return QStyle::State_Enabled | QStyle::State_MouseOver;
    case 3:
        return QStyle::State_Enabled | QStyle::State_Selected;
    case 4:
        return QStyle::State_None;
    case 5:
        return QStyle::State_Enabled | QStyle::State_HasFocus;
    default:
        return QStyle::State_Enabled;
    }
}

// Radio buttons and check boxes: groups of four states, unchecked, checked and (check boxes) mixed.
QStyle::State IndicatorState(int state) {
    const int group = (state - 1) / 4;
    const QStyle::State mark = group == 0   ? QStyle::State_Off
                               : group == 1 ? QStyle::State_On
                                            : QStyle::State_NoChange;
    return FourStates((state - 1) % 4) | mark;
}

void DrawPushButton(QStyle& style, QPainter& painter, const TThemeData& theme, int state, const QRect& rect) {
    QStyleOptionButton option;
    InitOption(option, theme, 1, state, rect);
    if (!(option.state & QStyle::State_Sunken)) {
        option.state |= QStyle::State_Raised;
    }
    if (state == 5) {
        option.features |= QStyleOptionButton::DefaultButton;
    }
    style.drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, theme.Window());
}

void DrawButtonClass(QStyle& style, QPainter& painter, const TThemeData& theme, int part, int state,
                     const QRect& rect) {
    switch (part) {
    case 1:
        DrawPushButton(style, painter, theme, state, rect);
        return;
    case 2:
    case 3: {
        QStyleOptionButton option;
        InitOption(option, theme, part, state, rect);
        style.drawPrimitive(part == 2 ? QStyle::PE_IndicatorRadioButton : QStyle::PE_IndicatorCheckBox,
                            &option, &painter, theme.Window());
        return;
    }
    case BP_GROUPBOX: {
        QStyleOptionFrame option;
        InitOption(option, theme, part, state, rect.adjusted(0, -theme.GroupFrameOffset(style), 0, 0));
        option.lineWidth = 1;
        option.midLineWidth = 0;
        painter.setClipRect(rect, Qt::IntersectClip);
        style.drawPrimitive(QStyle::PE_FrameGroupBox, &option, &painter, nullptr);
        return;
    }
    case 5: {
        QStyleOptionButton option;
        InitOption(option, theme, part, state, rect);
        style.drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, theme.Window());
        return;
    }
    default:
        return;
    }
}

void DrawPane(QStyle& style, QPainter& painter, const TThemeData& theme, int part, int state,
              const QRect& rect) {
    QStyleOptionTabWidgetFrame option;
    InitOption(option, theme, part, state, rect);
    option.lineWidth = style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, theme.Window());
    option.shape = QTabBar::RoundedNorth;
    style.drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, theme.Window());
}

void DrawStatus(QStyle& style, QPainter& painter, const TThemeData& theme, int part, int state,
                const QRect& rect) {
    QStyleOption option;
    InitOption(option, theme, part, state, rect);
    if (part == 3) {
        style.drawControl(QStyle::CE_SizeGrip, &option, &painter, theme.Window());
        return;
    }
    style.drawPrimitive(QStyle::PE_PanelStatusBar, &option, &painter, theme.Window());
}

void DrawToolbarButton(QStyle& style, QPainter& painter, const TThemeData& theme, int state,
                       const QRect& rect) {
    QStyleOptionToolButton option;
    InitOption(option, theme, 1, state, rect);
    option.state |= QStyle::State_AutoRaise;
    // A tool-bar button at rest is flat: nothing of it shows but its content.
    if (!(option.state & (QStyle::State_MouseOver | QStyle::State_Sunken | QStyle::State_On))) {
        return;
    }
    option.state |= QStyle::State_Raised;
    style.drawPrimitive(QStyle::PE_PanelButtonTool, &option, &painter, theme.Window());
}

void DrawRebarBand(QStyle& style, QPainter& painter, const TThemeData& theme, int part, int state,
                   const QRect& rect) {
    QStyleOptionToolBar option;
    InitOption(option, theme, part, state, rect);
    style.drawPrimitive(QStyle::PE_PanelToolBar, &option, &painter, theme.Window());
}

void DrawEdit(QStyle& style, QPainter& painter, const TThemeData& theme, int state, const QRect& rect) {
    QStyleOptionFrame option;
    InitOption(option, theme, 1, state, rect);
    option.lineWidth = style.pixelMetric(QStyle::PM_DefaultFrameWidth, &option, theme.Window());
    if (state == 6) {
        option.state |= QStyle::State_ReadOnly;
    }
    style.drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, theme.Window());
}

} // namespace

QStyle::State ThemeStyleState(TThemeClass themeClass, int part, int state) {
    switch (themeClass) {
    case TThemeClass::Button:
        switch (part) {
        case 1:
            return state == 5 ? QStyle::State_Enabled | QStyle::State_HasFocus : FourStates(state - 1);
        case 2:
        case 3:
            return IndicatorState(state);
        case BP_GROUPBOX:
            return state == GBS_DISABLED ? QStyle::State_None : QStyle::State_Enabled;
        default:
            return QStyle::State_Enabled;
        }
    case TThemeClass::Edit:
        return NormalHotSelectedDisabledFocused(state);
    case TThemeClass::Toolbar:
        if (state == 5) {
            return QStyle::State_Enabled | QStyle::State_On;
        }
        if (state == 6) {
            return QStyle::State_Enabled | QStyle::State_On | QStyle::State_MouseOver;
        }
        return FourStates(state - 1);
    case TThemeClass::Tab:
        if (part <= 8) {
            return NormalHotSelectedDisabledFocused(state);
        }
        return QStyle::State_Enabled;
    case TThemeClass::Rebar:
    case TThemeClass::Status:
        return QStyle::State_Enabled;
    }
    return QStyle::State_Enabled;
}

bool IsThemeActive() {
    const QStyle* style = QApplication::style();
    return style != nullptr && style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

HTHEME OpenThemeData(const QWidget* window, const QString& classList) {
    if (!IsThemeActive()) {
        return nullptr;
    }
    for (const QString& name : classList.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        static constexpr std::pair<const char*, TThemeClass> kDrawable[] = {
            {"button", TThemeClass::Button}, {"edit", TThemeClass::Edit}, {"rebar", TThemeClass::Rebar},
            {"status", TThemeClass::Status}, {"tab", TThemeClass::Tab},   {"toolbar", TThemeClass::Toolbar}};
        const QString trimmed = name.trimmed();
        for (const auto& [className, themeClass] : kDrawable) {
            if (trimmed.compare(QLatin1String(className), Qt::CaseInsensitive) == 0) {
                return HTHEME(new TThemeData(window, themeClass));
            }
        }
    }
    return nullptr;
}

void CloseThemeData(HTHEME& theme) {
    theme.reset();
}

void DrawThemeBackground(const TThemeData& theme, QPainter& painter, int part, int state, const QRect& rect,
                         const QRect* clip) {
    QStyle& style = *StyleFor(theme.Window());
    painter.save();
    if (clip != nullptr) {
        painter.setClipRect(*clip, Qt::IntersectClip);
    }
    switch (theme.Class()) {
    case TThemeClass::Button:
        DrawButtonClass(style, painter, theme, part, state, rect);
        break;
    case TThemeClass::Edit:
        DrawEdit(style, painter, theme, state, rect);
        break;
    case TThemeClass::Rebar:
        DrawRebarBand(style, painter, theme, part, state, rect);
        break;
    case TThemeClass::Status:
        DrawStatus(style, painter, theme, part, state, rect);
        break;
    case TThemeClass::Tab:
        if (part == 9 || part == TABP_BODY) {
            DrawPane(style, painter, theme, part, state, rect);
        }
        break;
    case TThemeClass::Toolbar:
        DrawToolbarButton(style, painter, theme, state, rect);
        break;
    }
    painter.restore();
}

QRect GetThemeBackgroundContentRect(const TThemeData& theme, int part, int state, const QRect& bounds) {
    QStyle& style = *StyleFor(theme.Window());
    if (theme.Class() == TThemeClass::Button && part == 1) {
        QStyleOptionButton option;
        InitOption(option, theme, part, state, bounds);
        return style.subElementRect(QStyle::SE_PushButtonContents, &option, theme.Window());
    }
    const int frame = style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, theme.Window());
    return bounds.adjusted(frame, frame, -frame, -frame);
}

void DrawThemeEdge(const TThemeData& theme, QPainter& painter, int part, int state, const QRect& rect,
                   int edge) {
    QStyleOption option;
    InitOption(option, theme, part, state, rect);
    qDrawShadePanel(&painter, rect, option.palette, edge == EDGE_SUNKEN, 1);
}

void DrawThemeText(const TThemeData& theme, QPainter& painter, int part, int state, const QString& text,
                   const QRect& rect) {
    QStyleOption option;
    InitOption(option, theme, part, state, rect);
    StyleFor(theme.Window())
        ->drawItemText(&painter, rect,
                       Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                       option.palette, option.state & QStyle::State_Enabled, text, QPalette::WindowText);
}

} // namespace quarn
