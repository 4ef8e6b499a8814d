#pragma once

#include "controls/PanelKio.h"
#include "ui/HauptLayout.h"

#include <QWidget>
#include <optional>
#include <utility>

class QToolBar;

namespace quarn {

class THauptSplitter;

// The main window's client area: output, splitter 1, input (with its gutter), splitter 2 (with the
// channel toolbar) and monitor, placed by hand from a THauptLayout. A change of height goes to the output
// panel; the splitters are dragged with the left button within the panels' minima.
class THauptPanele : public TPanelKio {
public:
    explicit THauptPanele(QWidget* parent);

    QWidget* Ausgabe() const { return ausgabe_; }
    // Where the input editors go (the input panel less its gutter).
    QWidget* Eingabe() const { return eingabeInhalt_; }
    QWidget* Monitor() const { return monitor_; }
    QWidget* Splitter1() const;
    QWidget* Splitter2() const;
    // Splitter 2's dock for the channel toolbar.
    void SetKanalLeiste(QToolBar* leiste);

    const THauptLayout& Layout() const { return layout_; }
    // Saved heights, applied once the panels have their first real height.
    void GespeicherteHoehen(int monitor, int eingabe);

    // Called by a splitter while it is dragged.
    void Ziehen(const THauptSplitter& splitter, int dy);
    // A splitter's contents asked for another height.
    void SplitterHoeheGeaendert();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Anordnen();

    TPanelKio* ausgabe_ = nullptr;
    THauptSplitter* splitter1_ = nullptr;
    TPanelKio* eingabe_ = nullptr;
    QWidget* eingabeInhalt_ = nullptr;
    THauptSplitter* splitter2_ = nullptr;
    TPanelKio* monitor_ = nullptr;
    THauptLayout layout_;
    std::optional<std::pair<int, int>> gespeichert_; // monitor, input
};

} // namespace quarn
