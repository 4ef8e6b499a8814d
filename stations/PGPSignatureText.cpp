#include "stations/PGPSignatureText.h"

#include "foundation/FileUtilsU.h"
#include "platform/Codepage.h"

#include <chrono>
#include <cstdio>
#include <string_view>

namespace quarn {

namespace {

constexpr std::string_view kPromptPrefix = "<Quarn>: ";
constexpr int kSignatureLineWidth = 72;

constexpr int kSoundValid = 14;
constexpr int kSoundUnknown = 15;
constexpr int kSoundChanged = 16;

const char* TrueFalse(bool value) {
    return value ? "true" : "false";
}

const char* ValidityName(int validity) {
    switch (validity) {
    case 0:
        return "unknown";
    case 1:
        return "invalid";
    case 2:
        return "marginal";
    case 3:
        return "complete";
    default:
        return "???";
    }
}

struct UtcTime {
    int year;
    unsigned month, day, hour, minute, second;
};

bool ToUtc(std::int64_t seconds, UtcTime& time) {
    using namespace std::chrono;
    if (seconds < 0 || seconds > 253402300799) { // up to 9999-12-31 23:59:59
        return false;
    }
    const sys_seconds point{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(point);
    const year_month_day date{day};
    const hh_mm_ss clock{point - day};
    time = {static_cast<int>(date.year()),
            static_cast<unsigned>(date.month()),
            static_cast<unsigned>(date.day()),
            static_cast<unsigned>(clock.hours().count()),
            static_cast<unsigned>(clock.minutes().count()),
            static_cast<unsigned>(clock.seconds().count())};
    return true;
}

std::string CreationLine(std::int64_t created, bool detailed) {
    UtcTime time{};
    if (!ToUtc(created, time)) {
        return {};
    }
    char line[80];
    if (detailed) {
        std::snprintf(line, sizeof line, "Date/Time: %04d-%02u-%02u %02u:%02u:%02u utc.\r", time.year,
                      time.month, time.day, time.hour, time.minute, time.second);
    } else {
        std::snprintf(line, sizeof line, "Unterzeichnet am %02u.%02u.%04d um %02u:%02u:%02u utc.\r", time.day,
                      time.month, time.year, time.hour, time.minute, time.second);
    }
    return line;
}

} // namespace

TPGPSignatureText BuildSignatureText(const TPGPSignatureReport& report, bool detailed) {
    const std::string label = detailed ? "Signer: " : "Unterzeichner: ";
    std::string signer;
    if (report.hasKey) {
        signer = "\"" + report.signer + "\"";
    } else if (detailed) {
        signer = "Unknown, ID=" + report.keyId;
    } else {
        signer = "Unbekannt (ID=" + report.keyId + ")";
    }
    const int width =
        kSignatureLineWidth - static_cast<int>(kPromptPrefix.size()) - static_cast<int>(label.size());
    const std::string indent = "\r" + std::string(label.size() + 1, ' ');

    TPGPSignatureText result;
    std::string& text = result.text;
    text = label + WrapText(signer, indent, "", width) + "\r";

    if (report.checked || detailed) {
        if (detailed) {
            text += std::string("Checked: ") + TrueFalse(report.checked) + ".\r";
            text += std::string("Verified: ") + TrueFalse(report.verified) + ".\r";
            text += std::string("KeyValidity: ") + ValidityName(report.validity) + ".\r";
        } else {
            if (report.validity < 2) {
                text += Utf8ToCp1252("Die Echtheit des Unterzeichnerschlüssels ist unbekannt.") + "\r";
            }
            text += report.verified ? Utf8ToCp1252("Die Unterschrift ist gültig.")
                                    : Utf8ToCp1252("Die Unterschrift ist ungültig, die Nachricht wurde verändert.");
            text += "\r";
        }
        text += CreationLine(report.created, detailed);
        if (detailed) {
            text += std::string("KeyRevoked: ") + TrueFalse(report.keyRevoked) + ".\r";
            text += std::string("KeyDisabled: ") + TrueFalse(report.keyDisabled) + ".\r";
            text += std::string("KeyExpired: ") + TrueFalse(report.keyExpired) + ".\r";
        } else {
            if (report.keyRevoked) {
                text += Utf8ToCp1252("Der Schlüssel wurde zurückgezogen.") + "\r";
            }
            if (report.keyDisabled) {
                text += Utf8ToCp1252("Der Schlüssel wurde deaktiviert.") + "\r";
            }
            if (report.keyExpired) {
                text += Utf8ToCp1252("Der Schlüssel ist abgelaufen.") + "\r";
            }
        }
    } else {
        text += Utf8ToCp1252("Die Unterschrift wurde nicht überprüft.") + "\r";
    }

    // A signature nobody could check says nothing about the text: its sound is the unknown signer's,
    // not the one for a changed message.
    if (!report.checked) {
        result.soundEvent = kSoundUnknown;
    } else if (!report.verified) {
        result.soundEvent = kSoundChanged;
    } else if (report.hasKey && report.validity > 1) {
        result.soundEvent = kSoundValid;
    } else {
        result.soundEvent = kSoundUnknown;
    }
    return result;
}

} // namespace quarn
