#pragma once

#include <QRect>
#include <QString>
#include <memory>

class QPainter;
class QWidget;

namespace quarn {

// Visual styles over the application's QStyle. A theme is active while the application style is not
// Qt's classic "Windows" style; a theme handle stands for a class the style can draw ("Tab" body,
// "BUTTON" group box) and is null for any other class. Handles belong to one widget; the widget drops
// them on QEvent::StyleChange (the theme-changed message) and opens them again on its next paint.

inline constexpr int TABP_BODY = 10;
inline constexpr int BP_GROUPBOX = 4;
inline constexpr int GBS_NORMAL = 1;
inline constexpr int GBS_DISABLED = 2;

class TThemeData;
struct TThemeDataClose {
    void operator()(TThemeData* data) const;
};
using HTHEME = std::unique_ptr<TThemeData, TThemeDataClose>;

bool IsThemeActive();
// `classList` holds class names separated by ";", compared without case; the first one drawable wins.
HTHEME OpenThemeData(const QWidget* window, const QString& classList);
void CloseThemeData(HTHEME& theme);
void DrawThemeBackground(const TThemeData& theme, QPainter& painter, int part, int state, const QRect& rect,
                         const QRect* clip = nullptr);
// One line of text in the element's text colour, as the style draws item texts.
void DrawThemeText(const TThemeData& theme, QPainter& painter, int part, int state, const QString& text,
                   const QRect& rect);

} // namespace quarn
