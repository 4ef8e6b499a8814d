#pragma once

#include "controls/ThemeManagerU.h"
#include "controls/ThemeServicesU.h"

class QEvent;
class QWidget;

namespace quarn {

class TPanelKio;

// What the theme manager does with an event of a filtered control while a theme is active; true when
// the event is finished.
bool HandleThemedMessage(TThemeListKind kind, QWidget& control, QEvent& event, TThemeServices& services);

// Tab or an arrow key shows the form's focus rectangles, Alt its accelerator underlines.
void KeyboardCue(QWidget& control, const QEvent& event);

// A speed button's face: a flat one as a tool-bar button, any other as a push button; disabled before
// pressed (down or exclusive) before hot.
TThemedElementDetails SpeedButtonDetails(bool flat, bool enabled, bool pressed, bool hot);

// A panel is themed only while it shows its parent's colour.
bool PanelTakesParentColour(const TPanelKio& panel);

} // namespace quarn
