#pragma once

class QWidget;

namespace quarn {

class THauptfenster;

// The main window a settings page works for: the nearest one above the page, else the program's one
// top-level main window; null when there is none (a page shown on its own).
THauptfenster* HauptfensterVon(const QWidget& seite);

} // namespace quarn
