#include "controls/UxTheme.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QStyleOptionTabWidgetFrame>
#include <QWidget>
#include <optional>

namespace quarn {

enum class TThemeClass { Tab, Button };

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

void InitOption(QStyleOption& option, const TThemeData& theme, int state, const QRect& rect) {
    if (const QWidget* window = theme.Window()) {
        option.initFrom(window);
    }
    option.rect = rect;
    if (theme.Class() == TThemeClass::Button && state == GBS_DISABLED) {
        option.state &= ~QStyle::State_Enabled;
    }
}

} // namespace

bool IsThemeActive() {
    const QStyle* style = QApplication::style();
    return style != nullptr && style->name().compare(QLatin1String("windows"), Qt::CaseInsensitive) != 0;
}

HTHEME OpenThemeData(const QWidget* window, const QString& classList) {
    if (!IsThemeActive()) {
        return nullptr;
    }
    for (const QString& name : classList.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString trimmed = name.trimmed();
        if (trimmed.compare(QLatin1String("tab"), Qt::CaseInsensitive) == 0) {
            return HTHEME(new TThemeData(window, TThemeClass::Tab));
        }
        if (trimmed.compare(QLatin1String("button"), Qt::CaseInsensitive) == 0) {
            return HTHEME(new TThemeData(window, TThemeClass::Button));
        }
    }
    return nullptr;
}

void CloseThemeData(HTHEME& theme) {
    theme.reset();
}

void DrawThemeBackground(const TThemeData& theme, QPainter& painter, int part, int state, const QRect& rect,
                         const QRect* clip) {
    QStyle* style = StyleFor(theme.Window());
    painter.save();
    if (clip != nullptr) {
        painter.setClipRect(*clip, Qt::IntersectClip);
    }
    if (theme.Class() == TThemeClass::Tab && part == TABP_BODY) {
        QStyleOptionTabWidgetFrame option;
        InitOption(option, theme, state, rect);
        option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, theme.Window());
        option.shape = QTabBar::RoundedNorth;
        style->drawPrimitive(QStyle::PE_FrameTabWidget, &option, &painter, theme.Window());
    } else if (theme.Class() == TThemeClass::Button && part == BP_GROUPBOX) {
        QStyleOptionFrame option;
        InitOption(option, theme, state, rect.adjusted(0, -theme.GroupFrameOffset(*style), 0, 0));
        option.lineWidth = 1;
        option.midLineWidth = 0;
        painter.setClipRect(rect, Qt::IntersectClip);
        style->drawPrimitive(QStyle::PE_FrameGroupBox, &option, &painter, nullptr);
    }
    painter.restore();
}

void DrawThemeText(const TThemeData& theme, QPainter& painter, int part, int state, const QString& text,
                   const QRect& rect) {
    QStyleOption option;
    InitOption(option, theme, state, rect);
    StyleFor(theme.Window())
        ->drawItemText(&painter, rect,
                       Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                       option.palette, option.state & QStyle::State_Enabled, text, QPalette::WindowText);
}

} // namespace quarn
