#pragma once

#include "controls/PanelKio.h"

namespace quarn {

class TLinkLabel;

// The coloured note at the foot of the pages whose settings a station may override: a link label
// whose link opens the main window's station database.
class TStationenLinkPanel : public TPanelKio {
public:
    // `caption` in the link mark-up, with one <link>.
    TStationenLinkPanel(const QString& caption, QWidget& seite);

    TLinkLabel& LinkLabel() const { return *label_; }

private:
    void StationenOeffnen();

    QWidget& seite_;
    TLinkLabel* label_ = nullptr;
};

} // namespace quarn
