#pragma once

#include <memory>
#include <string>

class QWidget;

namespace quarn {

// The editor pages the station window hosts, in tab order after "Allgemein" and "Passwörter".
enum class TStationenSeite { Texte, Fernsteuerung, Klaenge };

// One editor page in a station's mode, as the station window hosts it. The window lays Page() onto its
// tab (the widget becomes the tab's child), hands the page each station it shows, and asks it to store
// before it leaves the station. The window owns the page object and frees it before its own widgets.
// A page fetches the station's entry itself and keeps no hold on it between calls: a held entry could not
// be removed.
class IStationenSeite {
public:
    virtual ~IStationenSeite() = default;
    // The page's widget; the window takes it into its tab.
    virtual QWidget* Page() = 0;
    // Fills the page from the station of this call sign (upper case, as stored).
    virtual void LoadStation(const std::string& call) = 0;
    // Stores the page's values for the station last loaded.
    virtual void Apply() = 0;
};

} // namespace quarn
