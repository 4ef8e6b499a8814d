#pragma once

#include <QWidget>

namespace quarn {

// Base of every settings page. The settings window makes a page the first time its tab is shown and
// calls Apply on every page made so far, in tab order, at "Übernehmen" and "OK".
class TTabForm : public QWidget {
    Q_OBJECT

public:
    explicit TTabForm(QWidget* parent = nullptr) : QWidget(parent) {}

    // Writes the page's values into the configuration and the running objects.
    virtual void Apply() {}
};

} // namespace quarn
