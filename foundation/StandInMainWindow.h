#pragma once

#include "foundation/DesignTexts.h"

#include <QMainWindow>

namespace quarn {

// A plain window in the place of the program's main window until that is built. It carries the title a
// later copy looks for, shows the splash at its start (closing it with "Bereit.") and answers
// WM_AKTIVIEREN. When the real main window comes, it replaces this class (and its use in the start-up),
// it does not extend it.
class TStandInMainWindow : public QMainWindow {
    // Its texts are those of the main window it stands in for.
    QUARN_DESIGN_TEXTS(THauptfenster)

public:
    TStandInMainWindow();

protected:
    bool event(QEvent* event) override;

private:
    void Activate();
};

} // namespace quarn
