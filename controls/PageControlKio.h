#pragma once

#include <QTabWidget>

namespace quarn {

// A page control whose tabs are push buttons, the current page's button pressed, with no frame around
// the pages.
class TPageControlKio : public QTabWidget {
public:
    explicit TPageControlKio(QWidget* parent = nullptr);
};

} // namespace quarn
