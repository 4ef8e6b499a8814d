#include "toolbars/items/TTKItemViewer.h"

#include "toolbars/items/TTKCommon.h"
#include "toolbars/items/TTKCustomItem.h"
#include "toolbars/items/TTKItems.h"
#include "toolbars/items/TTKSettings.h"
#include "toolbars/items/TTKView.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <QWidget>
#include <qdrawutil.h>

namespace quarn {

namespace {

constexpr int kSplitArrowWidth = 11;
constexpr int kDropdownArrowLength = 8;
constexpr int kSeparatorInset = 12;

int MulDiv(int a, int b, int c) {
    return c == 0 ? 0 : static_cast<int>((static_cast<long long>(a) * b + c / 2) / c);
}

// The palette of the window the viewer is drawn in, else the application's.
QPalette PaletteOf(const TTKView& view) {
    return view.Window() ? view.Window()->palette() : QPalette();
}

} // namespace

TTKItemViewer::TTKItemViewer(TTKView& view, TTKCustomItem& item) : view_(&view), item_(&item) {}

TTKItemViewer::~TTKItemViewer() = default;

std::unique_ptr<TTKItemViewer> TTKItemViewer::Create(TTKView& view, TTKCustomItem& item) {
    return std::make_unique<TTKItemViewer>(view, item);
}

bool TTKItemViewer::ButtonSized() const {
    return view_->IsToolbarStyle() || HasOption(item_->EffectiveOptions(), tboToolbarSize);
}

bool TTKItemViewer::ButtonStyled() const {
    return view_->IsToolbarStyle() || HasOption(item_->EffectiveOptions(), tboToolbarStyle);
}

bool TTKItemViewer::TextVertical() const {
    const TTKItemOptions options = item_->EffectiveOptions();
    return view_->Orientation() == TTKOrientation::Vertical && !HasOption(options, tboNoRotation) &&
           !HasOption(options, tboImageAboveCaption);
}

bool TTKItemViewer::ShowsImage() const {
    if (item_->ImageIndex() < 0)
        return false;
    const TTKItemDisplayMode mode = item_->DisplayMode();
    return mode == TTKItemDisplayMode::nbdmDefault || mode == TTKItemDisplayMode::nbdmImageAndText ||
           (mode == TTKItemDisplayMode::nbdmTextOnlyInMenus && view_->IsToolbarStyle());
}

bool TTKItemViewer::ShowsCaption() const {
    const TTKItemDisplayMode mode = item_->DisplayMode();
    if (!item_->Caption().isEmpty() &&
        (!ButtonSized() || item_->ImageIndex() < 0 || mode == TTKItemDisplayMode::nbdmTextOnly ||
         mode == TTKItemDisplayMode::nbdmImageAndText))
        return true;
    return HasOption(item_->EffectiveOptions(), tboImageAboveCaption);
}

bool TTKItemViewer::HasSubmenu() const {
    return (item_->StyleBits() & tbis::Submenu) != 0;
}

TTKCustomImageList* TTKItemViewer::ImageList() const {
    if (item_->Images())
        return item_->Images();
    for (const TTKView* view = view_; view; view = view->ParentView()) {
        if (view->ShownItem() && view->ShownItem()->SubMenuImages())
            return view->ShownItem()->SubMenuImages();
        if (view->RootItem() && view->RootItem()->SubMenuImages())
            return view->RootItem()->SubMenuImages();
    }
    return nullptr;
}

QString TTKItemViewer::CaptionPart() const {
    const QString& caption = item_->Caption();
    const qsizetype tab = caption.indexOf(QLatin1Char('\t'));
    return tab < 0 ? caption : caption.left(tab);
}

void TTKItemViewer::MeasureSize(const QFontMetrics& metrics, int& width, int& height) {
    TTKCustomImageList* images = ImageList();
    const bool image = images && ShowsImage();
    const bool caption = ShowsCaption();
    const int textWidth = caption ? TextWidthNoPrefix(metrics, CaptionPart(), true) : 0;
    if (ButtonSized()) {
        width = 6;
        height = 6;
        const bool vertical = TextVertical();
        if (caption) {
            if (vertical) {
                width += metrics.height();
                height += textWidth + 6;
            } else {
                height += metrics.height();
                width += textWidth + 6;
            }
        }
        if (image) {
            if (!vertical && !HasOption(item_->EffectiveOptions(), tboImageAboveCaption)) {
                width += images->Width() + 1;
                height = std::max(height, images->Height() + 6);
            } else {
                height += images->Height();
                width = std::max(width, images->Width() + 7);
            }
        }
        if (HasSubmenu() && (item_->StyleBits() & tbis::Combo) != 0)
            width += kSplitArrowWidth;
        else if (HasSubmenu() && HasOption(item_->EffectiveOptions(), tboDropdownArrow))
            (view_->Orientation() == TTKOrientation::Vertical ? height : width) += kDropdownArrowLength;
        return;
    }
    int rowHeight = metrics.height() + metrics.leading() + 4;
    if (images)
        rowHeight = std::max(rowHeight, images->Height() + 3);
    const int imageColumn = images ? MulDiv(images->Width() + 3, rowHeight, images->Height() + 3) : rowHeight;
    width = imageColumn + 6 + textWidth;
    const QString shortCut = item_->ShortCutText();
    if (!shortCut.isEmpty())
        width += metrics.horizontalAdvance(shortCut) + rowHeight - 6;
    if (HasSubmenu())
        width += rowHeight;
    height = rowHeight;
}

void TTKItemViewer::DrawCaptionText(QPainter& painter, const QRect& rect, const QString& caption, int flags) {
    painter.drawText(rect, flags, caption);
}

void TTKItemViewer::SelectionEntered() {
    if (item_->OnSelect)
        item_->OnSelect(item_, nullptr, true);
}

void TTKItemViewer::SelectionLeft() {
    if (item_->OnSelect)
        item_->OnSelect(item_, nullptr, false);
}

bool TTKItemViewer::InButtonArea(int x, int) const {
    if (HasSubmenu() && (item_->StyleBits() & tbis::Combo) != 0) {
        const int arrow = view_->IsToolbarStyle() ? kSplitArrowWidth : KitSettings().MenuCheckSize();
        return x < bounds_.width() - arrow;
    }
    return !HasSubmenu();
}

void TTKItemViewer::PressCancelled() {
    if (view_->Window())
        view_->Window()->update(bounds_);
}

void TTKItemViewer::DrawViewer(QPainter& painter, const QRect& clientArea, bool selected, bool pushed,
                               bool disabledShadow) {
    const QPalette palette = PaletteOf(*view_);
    const bool enabled = item_->Enabled();
    const bool buttonStyled = ButtonStyled();
    QColor text = buttonStyled ? palette.color(QPalette::ButtonText) : palette.color(QPalette::WindowText);
    QRect content = clientArea;
    if (buttonStyled) {
        if ((selected && enabled) || item_->Checked())
            qDrawShadePanel(&painter, clientArea, palette, pushed || item_->Checked(), 1);
        if (item_->Checked() || pushed)
            content.translate(1, 1);
    } else if (selected) {
        painter.fillRect(clientArea, palette.color(QPalette::Highlight));
        text = palette.color(QPalette::HighlightedText);
    }
    if (!enabled)
        text = palette.color(QPalette::Disabled, QPalette::WindowText);

    int textLeft = content.left() + 3;
    TTKCustomImageList* images = ImageList();
    if (images && ShowsImage() && item_->ImageIndex() < images->Count()) {
        const QPixmap pixmap = images->Image(item_->ImageIndex());
        const int column = buttonStyled ? pixmap.width() + 6 : content.height();
        const QRect cell(content.left(), content.top(), column, content.height());
        painter.drawPixmap(cell.center() - QPoint(pixmap.width() / 2, pixmap.height() / 2), pixmap);
        textLeft = cell.right() + 4;
    } else if (!buttonStyled) {
        textLeft = content.left() + content.height() + 3;
    }
    if (!ShowsCaption())
        return;
    QFont font = painter.font();
    font.setBold(HasOption(item_->EffectiveOptions(), tboDefault));
    painter.setFont(font);
    const bool hidePrefix = !view_->AccelsVisible() && !KitSettings().KeyboardCuesShown();
    const int flags = Qt::AlignVCenter | Qt::TextSingleLine |
                      (buttonStyled ? Qt::AlignHCenter : Qt::AlignLeft) |
                      (hidePrefix ? Qt::TextHideMnemonic : Qt::TextShowMnemonic);
    const QRect textRect =
        buttonStyled ? content : QRect(textLeft, content.top(), content.right() - textLeft, content.height());
    if (!enabled && disabledShadow) {
        painter.setPen(palette.color(QPalette::Light));
        DrawCaptionText(painter, textRect.translated(1, 1), CaptionPart(), flags);
    }
    painter.setPen(text);
    DrawCaptionText(painter, textRect, CaptionPart(), flags);
    if (buttonStyled)
        return;
    const QString shortCut = item_->ShortCutText();
    if (!shortCut.isEmpty()) {
        // The shortcut column ends half way into the arrow column, which the measured width leaves free
        // enough for a gap after the widest caption.
        const QRect shortCutRect(content.left(), content.top(), content.width() - content.height() / 2,
                                 content.height());
        painter.drawText(shortCutRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, shortCut);
    }
    if (HasSubmenu()) {
        const int x = content.right() - content.height() / 2;
        const int y = content.center().y();
        const QPoint arrow[3] = {QPoint(x - 2, y - 4), QPoint(x + 2, y), QPoint(x - 2, y + 4)};
        painter.setBrush(text);
        painter.drawPolygon(arrow, 3);
    }
}

std::unique_ptr<TTKItemViewer> TTKSeparatorItemViewer::Create(TTKView& view, TTKCustomItem& item) {
    auto viewer = std::make_unique<TTKSeparatorItemViewer>(view, item);
    viewer->SetClass(&TTKSeparatorItemViewer::Create);
    return viewer;
}

void TTKSeparatorItemViewer::MeasureSize(const QFontMetrics& metrics, int& width, int& height) {
    width = 6;
    height = 6;
    if (!ButtonSized())
        height += (2 * metrics.height() + 2) / 3;
}

void TTKSeparatorItemViewer::DrawViewer(QPainter& painter, const QRect& clientArea, bool, bool, bool) {
    const auto* separator = qobject_cast<const TTKSeparatorItem*>(&Item());
    if (separator && separator->Blank())
        return;
    const QPalette palette = PaletteOf(View());
    const int midX = clientArea.center().x();
    const int midY = clientArea.center().y();
    if (LineSeparator()) {
        const int inset = View().Orientation() == TTKOrientation::Floating ? 1 : 4;
        qDrawShadeLine(&painter, clientArea.left() + inset, midY, clientArea.right() - inset, midY, palette);
    } else if (ButtonSized()) {
        qDrawShadeLine(&painter, midX, clientArea.top(), midX, clientArea.bottom(), palette);
    } else {
        qDrawShadeLine(&painter, clientArea.left() + kSeparatorInset, midY,
                       clientArea.right() - kSeparatorInset, midY, palette);
    }
}

} // namespace quarn
