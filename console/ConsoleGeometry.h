#pragma once

#include "console/ConsoleBufferU.h"

#include <QPoint>
#include <string>

namespace quarn {

// The size of one character cell of the console's font, in pixels.
struct TCellMetrics {
    int width = 8;
    int height = 12;
    int ascent = 10;
    // How far a glyph may reach into the next cell.
    int overhang = 0;
};

// Where the view stands: first visible column and row, and the buffer's size.
struct TViewOrigin {
    int leftCol = 0;
    int topRow = 0;
    int gutterWidth = 14;
    int cols = 80;
    int rows = 25;
};

// The cell boundary nearest to a point of the client area: a click on the right half of a cell gives
// the cell after it. The column lies in leftCol .. cols, the row in 0 .. rows, where row `rows` stands
// for "below the newest line" so that a selection can run past the end.
TCellPos CellAtPoint(QPoint point, const TCellMetrics& cell, const TViewOrigin& view);

// The cell a point lies on, without rounding, for hit tests; none left of the gutter's end or outside
// the buffer.
TCellPos CellUnderPoint(QPoint point, const TCellMetrics& cell, const TViewOrigin& view);

// The hint kinds, in this order.
enum class THintType { Text = 0, Gutter = 1, Outside = 2 };

struct THintTarget {
    THintType type = THintType::Outside;
    int col = -1; // -1 over the gutter and outside
    int row = -1; // -1 outside
};

THintTarget HintTargetAt(QPoint point, const TCellMetrics& cell, const TViewOrigin& view);

// An inclusive range of cells; none when both ends are none.
struct TSelection {
    TCellPos start;
    TCellPos end;
    bool IsNone() const { return start.IsNone() || end.IsNone(); }
    // Whether (col, row) lies within the range.
    bool Contains(int col, int row) const;
    bool ContainsRow(int row) const { return !IsNone() && row >= start.row && row <= end.row; }
};

// The selection from the anchor to a cell: the cells between them, the one the later of both names
// excluded. An end row at or beyond `rows` is (0, rows): the selection runs past the newest line.
TSelection SelectRange(TCellPos anchor, TCellPos cell, int cols, int rows);

// The selected text of a buffer: per row the selected cells without trailing blanks and control
// characters, rows joined by CR LF.
std::string SelectedText(const TConsoleBuffer& buffer, const TSelection& selection);

} // namespace quarn
