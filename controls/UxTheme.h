#pragma once

#include <QRect>
#include <QString>
#include <QStyle>
#include <memory>

class QPainter;
class QWidget;

namespace quarn {

// Visual styles over the application's QStyle. A theme is active while the application style is not
// Qt's classic "Windows" style; a theme handle stands for a class the style can draw ("button", "edit",
// "rebar", "status", "tab", "toolbar") and is null for any other class. Handles belong to one widget; the
// widget drops them on QEvent::StyleChange (the theme-changed message) and opens them again on its next
// paint.

inline constexpr int TABP_BODY = 10;
inline constexpr int BP_GROUPBOX = 4;
inline constexpr int GBS_NORMAL = 1;
inline constexpr int GBS_DISABLED = 2;
inline constexpr int EDGE_RAISED = 5;
inline constexpr int EDGE_SUNKEN = 10;

// The classes a handle can stand for; a part and state are read within one of them.
enum class TThemeClass { Button, Edit, Rebar, Status, Tab, Toolbar };

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
// The room inside the element's borders where its content goes.
QRect GetThemeBackgroundContentRect(const TThemeData& theme, int part, int state, const QRect& bounds);
// A raised or sunken edge (EDGE_RAISED, EDGE_SUNKEN) round `rect`, in the element's colours.
void DrawThemeEdge(const TThemeData& theme, QPainter& painter, int part, int state, const QRect& rect,
                   int edge);
// One line of text in the element's text colour, as the style draws item texts.
void DrawThemeText(const TThemeData& theme, QPainter& painter, int part, int state, const QString& text,
                   const QRect& rect);

// What a part and state of a class mean to the style: hot is the mouse over it, pressed sunken, checked
// on, mixed no change, defaulted and focused the focus; every state but disabled leaves it enabled.
QStyle::State ThemeStyleState(TThemeClass themeClass, int part, int state);

} // namespace quarn
