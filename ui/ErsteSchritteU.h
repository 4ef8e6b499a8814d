#pragma once

#include "foundation/DesignTexts.h"
#include "ui/FensterZiehen.h"

#include <QRect>
#include <QWidget>
#include <functional>

class QTextBrowser;

namespace quarn {

class TPanelKio;

// Where the first-steps window goes: its bottom-right corner on the bottom-right corner of the work area.
QPoint ErsteSchritteOrt(const QRect& arbeitsflaeche, const QSize& groesse);

// "Quarn - Erste Schritte": a narrow tool window that stays on top, at the bottom-right of the primary
// screen's work area, with the first-steps text on a panel in the tooltip colour. It is dragged by the
// mouse from anywhere but the text, and frees itself when closed, telling its owner first.
class TErsteSchritte : public QWidget {
    QUARN_DESIGN_TEXTS(TErsteSchritte)

public:
    static constexpr QSize kGroesse{190, 357};

    // `geschlossen` runs when the window closes, before it goes.
    explicit TErsteSchritte(QWidget* owner, std::function<void()> geschlossen = {});

    QTextBrowser* Text() const { return text_; }
    TPanelKio* Panel() const { return panel_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The window's outer size, frame included, into the work area's corner.
    void Platzieren(const QSize& aussen);

    std::function<void()> geschlossen_;
    TFensterZiehen ziehen_{*this};
    TPanelKio* panel_ = nullptr;
    QTextBrowser* text_ = nullptr;
    bool platziert_ = false;
};

} // namespace quarn
