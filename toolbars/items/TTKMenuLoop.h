#pragma once

#include "toolbars/items/TTKPopupSeam.h"

class QWidget;

namespace quarn {

class TTKView;

// The menu loop's hold on the mouse and the keyboard, nested by a count: the first call grabs both for
// `window` and shows the arrow cursor, the last one lets go (when the kit still holds the grab).
void BeginLoopCapture(QWidget& window);
void EndLoopCapture();
int LoopCaptureDepth();

// Runs the modal menu loop of `rootView` until an item is chosen or the menu is left, and returns what
// was decided; carrying it out (the click) is the caller's. Every pop-up opened from the root is driven
// through the chain of open submenus. With `selectFirst` the root's first item starts selected.
TTKMenuOutcome RunMenuLoop(TTKView& rootView, bool selectFirst);

// The kit's pop-up windows and menu loop, for SetPopupFactory.
ITTKPopupFactory& KitPopupFactory();

} // namespace quarn
