// Painting of the console view: gutter, rows of coloured text, selection, marks, write cursor, caret.
#include "console/ConsoleU.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace quarn {

namespace {

constexpr QRgb kWriteCursorGrey = 0x808080;
constexpr std::uint8_t kPaletteMask = 0x0F;

} // namespace

void TConsole::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    PaintView(painter, event->rect());
}

bool TConsole::IsMarkedRow(int row) const {
    if (!focused_ || !buffer_.IsListLine(row)) {
        return false;
    }
    const TSelection selection = Selection();
    if (selection.IsNone()) {
        return row == GetCaretRow();
    }
    return selection.ContainsRow(row);
}

void TConsole::PaintGutter(QPainter& painter, int y, int height) const {
    if (gutterWidth_ <= 0) {
        return;
    }
    painter.fillRect(0, y, std::max(0, gutterWidth_ - 2), height, gutterColor_);
    if (gutterWidth_ >= 2) {
        painter.fillRect(gutterWidth_ - 2, y, 1, height, gutterLineColor_);
    }
    painter.fillRect(gutterWidth_ - 1, y, 1, height, color_);
}

void TConsole::PaintView(QPainter& painter, const QRect& clip) const {
    if (!Active()) {
        painter.fillRect(clip, QApplication::palette().color(QPalette::Dark));
        return;
    }
    const TCellMetrics& cell = Cell();
    const int firstRow = topRow_ + std::max(0, clip.top()) / cell.height;
    const int lastRow = std::min(Rows() - 1, topRow_ + clip.bottom() / cell.height);
    const int textBottom = (Rows() - topRow_) * cell.height;
    if (clip.bottom() >= textBottom) {
        // Below the newest line: the control colour and the gutter.
        const QRect below(clip.left(), textBottom, clip.width(), clip.bottom() - textBottom + 1);
        painter.fillRect(below, color_);
        if (clip.left() < gutterWidth_) {
            PaintGutter(painter, below.top(), below.height());
        }
    }
    for (int row = firstRow; row <= lastRow; ++row) {
        PaintRow(painter, row, (row - topRow_) * cell.height, clip);
    }
    const int writeRow = buffer_.GetCursorRow();
    if (writeRow >= firstRow && writeRow <= lastRow) {
        const QRect mark = CellRect(buffer_.GetCursorCol(), writeRow);
        painter.fillRect(mark.left() + 1, mark.bottom() - 3, mark.width() - 1, 2, QColor(kWriteCursorGrey));
    }
    const int caretRow = GetCaretRow();
    if (focused_ && caretRow >= firstRow && caretRow <= lastRow) {
        const QRect caret = CellRect(GetCaretCol(), caretRow);
        painter.fillRect(caret.left(), caret.top(), 1, cell.height, palette().color(QPalette::Text));
    }
}

void TConsole::PaintRow(QPainter& painter, int row, int y, const QRect& clip) const {
    const TCellMetrics& cell = Cell();
    if (clip.left() < gutterWidth_) {
        PaintGutter(painter, y, cell.height);
        const int image = buffer_.GutterImage(row, static_cast<int>(gutterImages_.size()));
        if (image != 0) {
            const QPixmap& pixmap = gutterImages_[static_cast<std::size_t>(image)];
            const QSize size = pixmap.deviceIndependentSize().toSize();
            painter.drawPixmap((gutterWidth_ - size.width()) / 2, y + (cell.height - size.height()) / 2,
                               pixmap);
        }
    }
    const QColor background = IsMarkedRow(row) ? markedLineColor_ : color_;
    const int used = buffer_.UsedLength(row);
    const int firstCol =
        std::max(leftCol_, leftCol_ + (std::max(clip.left(), gutterWidth_) - gutterWidth_) / cell.width);
    const int lastCol = std::min(used - 1, leftCol_ + (clip.right() - gutterWidth_) / cell.width);
    const std::uint8_t* text = buffer_.TextPtr(0, row);
    const std::uint8_t* attrs = buffer_.AttrPtr(0, row);
    const TSelection selection = Selection();
    const QColor highlight = palette().color(QPalette::Highlight);
    const QColor highlightText = palette().color(QPalette::HighlightedText);
    int col = firstCol;
    while (col <= lastCol) {
        const bool selected = selection.Contains(col, row);
        const std::uint8_t attr = attrs[col] & kPaletteMask;
        int end = col + 1;
        while (end <= lastCol && (attrs[end] & kPaletteMask) == attr &&
               selection.Contains(end, row) == selected) {
            ++end;
        }
        const QRect runRect(gutterWidth_ + (col - leftCol_) * cell.width, y, (end - col) * cell.width,
                            cell.height);
        painter.fillRect(runRect, selected ? highlight : background);
        glyphs_->DrawRun(painter, runRect.left(), y, text + col, end - col, showDos_,
                         selected ? highlightText : palette_[attr]);
        col = end;
    }
    // After the used length the row shows only its background.
    const int restLeft = gutterWidth_ + (std::max(col, firstCol) - leftCol_) * cell.width;
    if (restLeft <= clip.right()) {
        painter.fillRect(QRect(restLeft, y, clip.right() - restLeft + 1, cell.height), background);
    }
}

} // namespace quarn
