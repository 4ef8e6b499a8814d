#pragma once

#include <QMainWindow>

namespace quarn {

// A plain window in the place of the program's main window until that is built. It only carries the
// title a later copy looks for and answers WM_AKTIVIEREN. When the real main window comes, it replaces
// this class (and its use in the start-up), it does not extend it.
class TStandInMainWindow : public QMainWindow {
public:
    TStandInMainWindow();

protected:
    bool event(QEvent* event) override;

private:
    void Activate();
};

} // namespace quarn
