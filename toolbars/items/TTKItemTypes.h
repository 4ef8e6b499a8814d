#pragma once

#include <cstdint>

namespace quarn {

class TTKCustomItem;

enum class TTKItemDisplayMode : std::uint8_t {
    nbdmDefault = 0,
    nbdmTextOnly = 1,
    nbdmTextOnlyInMenus = 2,
    nbdmImageAndText = 3
};

enum TTKItemOption : std::uint8_t {
    tboDefault = 0,
    tboDropdownArrow = 1,
    tboImageAboveCaption = 2,
    tboLongHintInMenuOnly = 3,
    tboNoRotation = 4,
    tboShowHint = 5,
    tboToolbarStyle = 6,
    tboToolbarSize = 7
};

// A set of TTKItemOption, one bit each.
using TTKItemOptions = std::uint8_t;
constexpr TTKItemOptions OptionBit(TTKItemOption option) {
    return static_cast<TTKItemOptions>(1u << option);
}
constexpr bool HasOption(TTKItemOptions options, TTKItemOption option) {
    return (options & OptionBit(option)) != 0;
}

// The class's style word.
namespace tbis {
inline constexpr std::uint16_t Submenu = 0x0001;
inline constexpr std::uint16_t Selectable = 0x0002;
inline constexpr std::uint16_t Separator = 0x0004;
inline constexpr std::uint16_t EmbeddedGroup = 0x0008;
inline constexpr std::uint16_t ClicksPassThrough = 0x0010;
inline constexpr std::uint16_t Combo = 0x0020;
inline constexpr std::uint16_t NoAutoOpen = 0x0040;
inline constexpr std::uint16_t SeparatorNoBreak = 0x0100;
inline constexpr std::uint16_t RightAlign = 0x0200;
inline constexpr std::uint16_t DontSelectFirst = 0x0400;
inline constexpr std::uint16_t RedrawOnSelChange = 0x0800;
inline constexpr std::uint16_t RedrawOnMouseOverChange = 0x1000;
inline constexpr std::uint16_t Stretch = 0x2000;
} // namespace tbis

// What changed, as told to the views of an item.
enum class TTKItemChangeKind : std::uint8_t {
    Inserting = 0,
    Deleting = 1,
    SubitemsChanged = 2,
    BeginUpdate = 3,
    EndUpdate = 4,
    Invalidate = 5,
    InvalidateAndResize = 6,
    NameChanged = 8,
    SubMenuImagesChanged = 9
};

// A view (or anything else) that shows an item's children. `ancestor` is the item whose list changed,
// `relayed` tells that the notice came through a LinkSubitems link.
class ITTKItemChangeListener {
public:
    virtual void ItemNotification(TTKItemChangeKind kind, TTKCustomItem* ancestor, bool relayed,
                                  TTKCustomItem* item, int index) = 0;

protected:
    ~ITTKItemChangeListener() = default;
};

enum class TTKPopupAlignment : std::uint8_t { Left = 0, Right = 1, Center = 2 };

} // namespace quarn
