// The station window's rules between its controls and the stored values.
#include "ui/stationen/StationenRegeln.h"

#include "foundation/InterfacesU.h"
#include "platform/Codepage.h"
#include "stations/StationenDatenbankU.h"

namespace quarn {

TStationType TypAusAuswahl(int row) {
    if (row < static_cast<int>(TStationType::st_first) || row > static_cast<int>(TStationType::st_last)) {
        return TStationType::st_unknown;
    }
    return static_cast<TStationType>(row);
}

TIncomingConnects RegelAusAuswahl(bool firewall, int row) {
    const int rule = firewall ? row + 1 : 0;
    if (rule < static_cast<int>(TIncomingConnects::Accept) ||
        rule > static_cast<int>(TIncomingConnects::Reject)) {
        return TIncomingConnects::None;
    }
    return static_cast<TIncomingConnects>(rule);
}

TFirewallAnzeige FirewallAnzeige(TIncomingConnects stationRule, int globalRule) {
    const int rule = static_cast<int>(stationRule);
    if (rule >= 1 && rule <= 3) {
        return {true, rule - 1};
    }
    return {false, globalRule >= 1 && globalRule <= 3 ? globalRule - 1 : 0};
}

std::string NotizenZumSpeichern(const QString& memoText) {
    QString text = memoText;
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    std::string bytes = QStringToCp1252(text);
    if (bytes.size() > kNotizenMax) {
        bytes.resize(kNotizenMax);
    }
    return bytes;
}

QString NotizenZumZeigen(std::string_view stored) {
    QString text = Cp1252ToQString(stored);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return text;
}

std::optional<std::string> NeuesRufzeichen(const QString& typed) {
    const std::string call = Cp1252UpperCase(QStringToCp1252(typed.trimmed()));
    if (call.empty()) {
        return std::nullopt;
    }
    return call;
}

bool PasswortSpeichern(IStationenDatenbankEintrag& entry, std::string_view alterStream,
                       std::string_view myCall, TPasswortArt kind, std::string_view password,
                       TPasswortMethode method) {
    const std::string neuerStream = MakePasswortStreamName(myCall, kind, method);
    entry.SetPasswort(myCall, kind, password, method);
    // The entry only traces a failed write: what reads back tells whether the password is there.
    const std::string_view erwartet = password.substr(0, std::min(password.size(), kStationStreamLimit));
    if (entry.GetPasswortStream(neuerStream) != erwartet) {
        return false;
    }
    if (!alterStream.empty() && alterStream != neuerStream) {
        entry.DeleteStream(alterStream);
    }
    return true;
}

} // namespace quarn
