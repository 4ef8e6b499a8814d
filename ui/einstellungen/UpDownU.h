#pragma once

#include <QWidget>

namespace quarn {

class TIntegerEdit;

// The pair of arrow buttons beside a number edit: each click moves the edit's value one step within
// the bounds. The edit keeps its own rules for typing; the buttons only ever put a whole number in.
class TUpDown : public QWidget {
    Q_OBJECT

public:
    TUpDown(TIntegerEdit& edit, int minimum, int maximum, int step, QWidget* parent = nullptr);

    // The value one click gives from `value`: moved by `steps` steps and kept within the bounds.
    int Geschoben(int value, int steps) const;
    void Schieben(int steps);

private:
    TIntegerEdit& edit_;
    int minimum_;
    int maximum_;
    int step_;
};

} // namespace quarn
