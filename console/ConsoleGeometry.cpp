#include "console/ConsoleGeometry.h"

#include <algorithm>

namespace quarn {

namespace {

bool CellBefore(const TCellPos& a, const TCellPos& b) {
    return a.row < b.row || (a.row == b.row && a.col < b.col);
}

} // namespace

TCellPos CellAtPoint(QPoint point, const TCellMetrics& cell, const TViewOrigin& view) {
    const int col =
        (point.x() + cell.width / 2 + view.leftCol * cell.width - view.gutterWidth - cell.overhang) /
        cell.width;
    const int row = (point.y() + view.topRow * cell.height) / cell.height;
    // Past the right edge the caret stops after the last cell, below the newest line at one row past it.
    return {std::clamp(col, view.leftCol, view.cols), std::clamp(row, 0, view.rows)};
}

TCellPos CellUnderPoint(QPoint point, const TCellMetrics& cell, const TViewOrigin& view) {
    const int x = point.x() - view.gutterWidth;
    if (x < 0 || point.y() < 0) {
        return {};
    }
    const int col = x / cell.width + view.leftCol;
    const int row = point.y() / cell.height + view.topRow;
    if (col >= view.cols || row >= view.rows) {
        return {};
    }
    return {col, row};
}

THintTarget HintTargetAt(QPoint point, const TCellMetrics& cell, const TViewOrigin& view) {
    const int rawRow = point.y() / cell.height + view.topRow;
    const int rawCol = (point.x() - view.gutterWidth) / cell.width + view.leftCol;
    if (point.y() < 0 || rawRow >= view.rows || (point.x() >= view.gutterWidth && rawCol >= view.cols)) {
        return {};
    }
    if (point.x() < view.gutterWidth - 1) {
        return {THintType::Gutter, -1, rawRow};
    }
    const TCellPos at = CellAtPoint(point, cell, view);
    return {THintType::Text, at.col, std::min(at.row, view.rows - 1)};
}

bool TSelection::Contains(int col, int row) const {
    if (IsNone()) {
        return false;
    }
    const TCellPos cell{col, row};
    return !CellBefore(cell, start) && !CellBefore(end, cell);
}

TSelection SelectRange(TCellPos anchor, TCellPos cell, int cols, int rows) {
    if (anchor.IsNone()) {
        return {};
    }
    TSelection range;
    if (CellBefore(cell, anchor)) {
        range.start = cell;
        range.end = {anchor.col - 1, anchor.row};
    } else {
        range.start = anchor;
        range.end = {cell.col - 1, cell.row};
    }
    if (range.start.col >= cols) {
        range.start = {0, range.start.row + 1};
    }
    range.start.row = std::clamp(range.start.row, 0, rows - 1);
    if (range.end.col < 0) {
        range.end = {cols - 1, range.end.row - 1};
    } else if (range.end.col >= cols) {
        range.end.col = cols - 1;
    }
    if (range.end.row >= rows) {
        range.end = {0, rows};
    }
    if (range.end.row < 0 || CellBefore(range.end, range.start)) {
        return {};
    }
    return range;
}

std::string SelectedText(const TConsoleBuffer& buffer, const TSelection& selection) {
    if (selection.IsNone() || !buffer.Active()) {
        return {};
    }
    const int cols = buffer.Cols();
    const int lastRow = std::min(selection.end.row, buffer.Rows() - 1);
    std::string text;
    for (int row = selection.start.row; row <= lastRow; ++row) {
        const int first = row == selection.start.row ? selection.start.col : 0;
        const int last = row == selection.end.row ? selection.end.col : cols - 1;
        const auto* cells = reinterpret_cast<const char*>(buffer.TextPtr(0, row));
        std::string line(cells + first, cells + std::max(first, last + 1));
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= 0x20) {
            line.pop_back();
        }
        if (row != selection.start.row) {
            text += "\r\n";
        }
        text += line;
    }
    return text;
}

} // namespace quarn
