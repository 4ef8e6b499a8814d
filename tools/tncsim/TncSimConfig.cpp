#include "tools/tncsim/TncSimConfig.h"

#include <algorithm>
#include <cctype>

namespace quarn::tncsim {

TncSimConfig ConfigFor(Identity identity) {
    TncSimConfig config;
    switch (identity) {
    case Identity::Tnc2:
        break;
    case Identity::Tnc3:
        config.version = "TNC3 TURBO-FIRMWARE 2.7";
        config.frackIn10ms = true;
        config.ports = {0, 1};
        break;
    case Identity::PtcII:
        config.version = "PTC-II DSP Firmware 3.8";
        config.frackIn10ms = true;
        config.ptc = true;
        config.ptcMultiPort = true;
        config.ptcPorts = {1, 2};
        config.ptcModemText = "Modem\rsettings: SCS - DSP\r";
        config.pactorChannel = config.channels;
        break;
    case Identity::PtcIIe:
        config.version = "PTC-II e Firmware 3.8";
        config.frackIn10ms = true;
        config.ptc = true;
        config.ptcModemText = "NO MODEM";
        config.pactorChannel = config.channels;
        break;
    case Identity::TfLinux:
        // The firmware ported to run on a PC: none of the family names, so the plain host-mode class.
        config.version = "TF2.7b/Linux 1.0";
        break;
    }
    return config;
}

bool IdentityFromName(const std::string& name, Identity& identity) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const std::map<std::string, Identity> names = {{"tnc2", Identity::Tnc2},
                                                          {"tnc3", Identity::Tnc3},
                                                          {"ptc2", Identity::PtcII},
                                                          {"ptc2e", Identity::PtcIIe},
                                                          {"tflinux", Identity::TfLinux}};
    const auto found = names.find(lower);
    if (found == names.end()) {
        return false;
    }
    identity = found->second;
    return true;
}

} // namespace quarn::tncsim
