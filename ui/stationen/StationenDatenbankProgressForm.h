#pragma once

#include "foundation/DesignTexts.h"

#include <QWidget>

namespace quarn {

// The small borderless window shown while the database is checked at start. The check holds the GUI
// thread, so Zeigen() paints it at once; it stands centred on its owner, or on the screen while the owner
// is not shown yet.
class TStationenDatenbankProgressForm final : public QWidget {
    QUARN_DESIGN_TEXTS(TStationenDatenbankProgressForm)

public:
    static constexpr QSize kGroesse{285, 49};

    explicit TStationenDatenbankProgressForm(QWidget* owner = nullptr);

    void Zeigen();
    QString Text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* owner_ = nullptr;
};

} // namespace quarn
