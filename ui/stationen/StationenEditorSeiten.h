#pragma once

#include "ui/stationen/StationenSeite.h"

#include <functional>
#include <memory>

namespace quarn {

class TKlaenge;
class TRemoteCommandManager;
class TTexte;

// The services the station window's editor pages store through; a missing one leaves its slot empty.
struct TStationenDienste {
    TTexte* texte = nullptr;
    TRemoteCommandManager* fernsteuerung = nullptr;
    TKlaenge* klaenge = nullptr;
};

// The editor of one slot in a station's mode over its service, or null when the service is missing.
std::unique_ptr<IStationenSeite> StationenEditorSeite(TStationenSeite slot, const TStationenDienste& dienste);

// The factory the station window takes for its editor pages.
std::function<std::unique_ptr<IStationenSeite>(TStationenSeite)>
StationenEditorSeiten(TStationenDienste dienste);

} // namespace quarn
