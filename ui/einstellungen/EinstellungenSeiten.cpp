#include "ui/einstellungen/EinstellungenSeiten.h"

#include "ui/einstellungen/EinstellungenAllgemein.h"
#include "ui/einstellungen/EinstellungenAnzeige.h"
#include "ui/einstellungen/EinstellungenDateien.h"
#include "ui/einstellungen/EinstellungenErweitert.h"
#include "ui/einstellungen/EinstellungenGeraete.h"
#include "ui/einstellungen/EinstellungenKlaenge.h"
#include "ui/einstellungen/EinstellungenMonitor.h"
#include "ui/einstellungen/EinstellungenRemoteCommands.h"
#include "ui/einstellungen/EinstellungenTexte.h"

#include <QtGlobal>
#include <array>

namespace quarn {

const char* EinstellungenSeiteTitel(int index) {
    static constexpr std::array<const char*, kEinstellungenSeiten> kTitel{
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Allgemein"),
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Geräte"),
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Dateien"),
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Anzeige"),
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Monitor"),
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Texte"),
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Fernst."),
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Klänge"),
        QT_TRANSLATE_NOOP("TEinstellungenForm", "Erweitert")};
    return kTitel.at(static_cast<std::size_t>(index));
}

std::unique_ptr<TTabForm> EinstellungenSeiteErzeugen(int index, QWidget* parent) {
    switch (index) {
    case 0:
        return std::make_unique<TEinstellungenAllgemein>(parent);
    case 1:
        return std::make_unique<TEinstellungenGeraete>(parent);
    case 2:
        return std::make_unique<TEinstellungenDateien>(parent);
    case 3:
        return std::make_unique<TEinstellungenAnzeige>(parent);
    case 4:
        return std::make_unique<TEinstellungenMonitor>(parent);
    case 5:
        return std::make_unique<TEinstellungenTexte>(parent);
    case 6:
        return std::make_unique<TEinstellungenRemoteCommands>(parent);
    case 7:
        return std::make_unique<TEinstellungenKlaenge>(parent);
    case 8:
        return std::make_unique<TEinstellungenErweitert>(parent);
    default:
        return std::make_unique<TTabForm>(parent);
    }
}

} // namespace quarn
