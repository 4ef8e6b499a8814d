#pragma once

#include "platform/Exception.h"

#include <QString>
#include <algorithm>
#include <memory>
#include <vector>

class QFontMetrics;
class QPainter;
class QRect;

namespace quarn {

// The kit's own texts.
inline constexpr const char* kTextItemIndexOutOfRange = "Toolbar item index out of range";
inline constexpr const char* kTextItemAlreadyInserted = "Toolbar item already inserted";
inline constexpr const char* kTextViewerNotFound =
    "An item viewer associated the specified item could not be found";
inline constexpr const char* kTextChevronHint = "More Buttons|";
inline constexpr const char* kTextDockInToolWindow =
    "A TTKDock control cannot be placed inside a tool window or another TTKDock";
inline constexpr const char* kTextDockPositionWithControls =
    "Cannot change Position of a TTKDock if it already contains controls";
inline constexpr const char* kTextSaveWithoutName =
    "Cannot save dockable window's position because Name property is not set";
inline constexpr const char* kTextSaveDockWithoutName =
    "Cannot save dockable window's position because DockedTo's Name property not set";

// Misuse of the item tree: a bad index or an item inserted twice.
class ETKItemError : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "ETKItemError"; }
};

// The character after the last single "&" of a caption ("&&" is a literal ampersand); 0 when none.
QChar AccelCharOf(const QString& caption);
// The caption as drawn: single "&" removed, "&&" shown as one "&".
QString StripAccelPrefix(const QString& caption);
// The width of the text; with `prefix` the accelerator marks do not count.
int TextWidthNoPrefix(const QFontMetrics& metrics, const QString& text, bool prefix);

// A / B rounded away from zero.
int DivideAwayFromZero(int a, int b);

// Draws the text turned by 270 degrees (reading downwards), centred in `rect`, without its "&" marks;
// the accelerator is underlined by a one-pixel line in the pen's colour unless `hidePrefix`.
void DrawVerticalCaption(QPainter& painter, const QString& text, const QRect& rect, bool hidePrefix);

// The outline of a dragged window: erases the old frame and draws the new one, each `size` pixels thick
// inside its rectangle, with a half-tone brush by XOR. An empty old rectangle draws only the new one.
void DrawDragOutline(QPainter& painter, const QRect& newRect, const QRect& oldRect, int newSize, int oldSize);

// Lists made on first use and freed when they empty, so an item without listeners costs one pointer.
template <typename T> void ListAddOnce(std::unique_ptr<std::vector<T>>& list, const T& value) {
    if (!list) {
        list = std::make_unique<std::vector<T>>();
    }
    if (std::find(list->begin(), list->end(), value) == list->end()) {
        list->push_back(value);
    }
}

template <typename T> void ListRemoveAndFree(std::unique_ptr<std::vector<T>>& list, const T& value) {
    if (!list) {
        return;
    }
    list->erase(std::remove(list->begin(), list->end(), value), list->end());
    if (list->empty()) {
        list.reset();
    }
}

} // namespace quarn
