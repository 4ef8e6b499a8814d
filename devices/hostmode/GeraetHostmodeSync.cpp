// Finding host mode and keeping the byte stream in step with the TNC: the host-mode checks, the switch
// from terminal mode and the resynchronisation.
//
// A TNC in host mode reads frames by their length byte and goes on collecting a frame a previous client
// began, whatever pause there was. The check's five 0x01 bytes are one frame (channel 1, command, two
// data bytes) only when the TNC is at a frame boundary; a TNC that answers earlier, or on another
// channel, finished a frame begun before. Nothing is sent as a frame until a check was answered in step.
#include "devices/hostmode/GeraetHostmodeText.h"
#include "devices/hostmode/GeraetHostmodeU.h"
#include "foundation/DebOutU.h"
#include "platform/Clock.h"

namespace quarn {

namespace {

constexpr std::string_view kPruefBytes = "\x01\x01\x01\x01\x01";
// The check's frame and its in-step answer: an error on channel 1.
constexpr std::uint8_t kPruefKanal = 1;
constexpr std::uint8_t kPruefCode = 2;
// The host-mode check reads a TNC that keeps talking in terminal mode; these bound it.
constexpr std::size_t kPruefeMaxBytes = 1024;
constexpr std::uint64_t kPruefeMaxMs = 3000;
// Draining the line: more than two replies' worth is terminal-mode talk.
constexpr std::size_t kLeerenMaxBytes = 600;
constexpr std::uint64_t kLeerenMaxMs = 1000;
constexpr int kSchalteVersuche = 3;
// More 0x01 bytes than the longest frame a TNC can have begun.
constexpr std::size_t kResyncSchritte = 264;

} // namespace

void TGeraetHostmode::MarkInStep() {
    imTakt_ = true;
    antwortOffen_ = false;
}

std::size_t TGeraetHostmode::Leeren() {
    const std::uint64_t start = Clock().NowMs();
    std::size_t count = 0;
    std::uint8_t byte = 0;
    bool failed = false;
    while (count < kLeerenMaxBytes && Clock().NowMs() - start <= kLeerenMaxMs && !IsTerminated() &&
           ReadByte(byte, failed)) {
        ++count;
    }
    return count;
}

bool TGeraetHostmode::AntwortLesen(std::uint8_t& code, bool& allein) {
    bool hostmode = false;
    std::uint8_t byte = 0;
    bool failed = false;
    if (ReadByte(byte, failed) && byte <= 7) {
        code = byte;
        if (code == 0) {
            hostmode = true;
        } else if (code <= 5) {
            for (std::size_t n = 0; n <= kMaxText && ReadByte(byte, failed); ++n) {
                if (byte == 0) {
                    hostmode = true;
                    break;
                }
            }
        } else if (ReadByte(byte, failed)) {
            const int length = byte + 1;
            int n = 0;
            while (n < length && ReadByte(byte, failed)) {
                ++n;
            }
            hostmode = n == length;
        }
    }
    allein = Leeren() == 0;
    return hostmode;
}

THostmodeBefund TGeraetHostmode::PruefeGleichschritt() {
    Leeren(); // what is still on the line answers nothing asked now
    for (std::size_t n = 1; n <= kPruefBytes.size(); ++n) {
        if (IsTerminated() || !WriteAll(kPruefBytes.substr(0, 1))) {
            return THostmodeBefund::Terminalmode;
        }
        std::uint8_t channel = 0;
        bool failed = false;
        if (!ReadByte(channel, failed)) {
            if (failed) {
                return THostmodeBefund::Terminalmode;
            }
            continue;
        }
        std::uint8_t code = 0;
        bool allein = false;
        if (!AntwortLesen(code, allein)) {
            return THostmodeBefund::Terminalmode;
        }
        const bool inStep = n == kPruefBytes.size() && allein && channel == kPruefKanal && code == kPruefCode;
        if (inStep) {
            MarkInStep();
        }
        return inStep ? THostmodeBefund::Gleichschritt : THostmodeBefund::AusserTritt;
    }
    return THostmodeBefund::Still;
}

bool TGeraetHostmode::RahmenFuellen() {
    // Ten check frames at a time: a silent TNC in terminal mode is found out quickly, and what a TNC in
    // host mode answers to them is read before anything else is sent.
    const std::string bytes(10 * kPruefBytes.size(), '\x01');
    for (std::size_t sent = 0; sent < kResyncSchritte && !IsTerminated(); sent += bytes.size()) {
        if (!WriteAll(bytes)) {
            return false;
        }
        std::uint8_t channel = 0;
        bool failed = false;
        if (ReadByte(channel, failed)) {
            std::uint8_t code = 0;
            bool allein = false;
            return AntwortLesen(code, allein);
        }
        if (failed) {
            return false;
        }
    }
    return false;
}

THostmodeBefund TGeraetHostmode::HostmodeErkennen() {
    const THostmodeBefund befund = PruefeGleichschritt();
    if (befund == THostmodeBefund::Still) {
        return RahmenFuellen() ? THostmodeBefund::AusserTritt : THostmodeBefund::Terminalmode;
    }
    return befund;
}

bool TGeraetHostmode::PruefeHostmode() {
    if (!WriteAll(kPruefBytes)) {
        return false;
    }
    // A TNC that chatters in terminal mode never stops sending: bound the search by bytes and time.
    const std::uint64_t start = Clock().NowMs();
    std::size_t count = 0;
    const auto bounded = [&] { return ++count > kPruefeMaxBytes || Clock().NowMs() - start > kPruefeMaxMs; };
    bool armed = false;
    for (;;) {
        std::uint8_t byte = 0;
        bool failed = false;
        if (IsTerminated() || bounded() || !ReadByte(byte, failed)) {
            return false;
        }
        if (armed && byte == 0x02) {
            break;
        }
        armed = byte == 0x01;
    }
    count = 0;
    for (;;) {
        std::uint8_t byte = 0;
        bool failed = false;
        if (IsTerminated()) {
            return false;
        }
        if (bounded() || !ReadByte(byte, failed) || byte == 0) {
            MarkInStep();
            return true;
        }
    }
}

bool TGeraetHostmode::SchalteInHostmode() {
    const THostmodeBefund befund = PruefeGleichschritt();
    // The switch command's bytes would go into a frame of a TNC already in host mode.
    if (befund == THostmodeBefund::AusserTritt) {
        return false;
    }
    bool inHostmode = befund == THostmodeBefund::Gleichschritt;
    for (int attempt = 0; !inHostmode && attempt < kSchalteVersuche; ++attempt) {
        if (IsTerminated()) {
            return false;
        }
        // Fresh in host mode, the TNC is at a frame boundary: the plain check is in step.
        if (WriteAll(std::string_view("\x11\x18\x1bJHOST1\r", 10)) && PruefeHostmode()) {
            inHostmode = true;
            break;
        }
        WriteAll("\r");
        if (!Warte(100)) {
            return false;
        }
    }
    if (inHostmode) {
        pollZaehler_ = -1; // the next cycle of the loop is a full check
    }
    return inHostmode;
}

bool TGeraetHostmode::Resync() {
    const std::string prefix = GeraetText("Resynchronisierung: ");
    DebOutObj(KlassenName(), "Resync", "Start...");
    // A run DeInit abandoned may still be resynchronising its own line: the count is the device's
    // current run's.
    if (!OnAbandonedThread()) {
        const Locker lock(fehlerLock_);
        ++fehlerZaehler_;
    }
    bool synchron = false;
    while (!IsTerminated()) {
        imTakt_ = false;
        if (!CommIsOpen() && !SchnittstelleWiederOeffnen()) {
            break;
        }
        SetTimeouts(true);
        SetStatus(TGeraetStatus::Init, prefix + GeraetText("Start"));
        if (!Warte(200)) {
            break;
        }
        CommPurge();
        eingang_.clear();
        for (std::size_t n = 0; n < kResyncSchritte && !IsTerminated() && CommIsOpen(); ++n) {
            SetStatus(TGeraetStatus::Init, prefix + std::to_string(n));
            if (!WriteAll("\x01")) {
                DebOutObj(KlassenName(), "Resync", "ERROR: CommWrite");
            }
            std::uint8_t byte = 0;
            bool failed = false;
            if (ReadByte(byte, failed)) {
                SetStatus(TGeraetStatus::Init, prefix + GeraetText("Empfange"));
                Warte(100);
                Leeren(); // the rest of that answer must not be taken for the check's
                break;
            }
        }
        if (IsTerminated()) {
            break;
        }
        if (!CommIsOpen()) {
            continue;
        }
        SetStatus(TGeraetStatus::Init, prefix + GeraetText("Schalte in Hostmode"));
        if (SchalteInHostmode()) {
            synchron = true;
            break;
        }
    }
    if (synchron) {
        SetTimeouts(false);
        FehlerZeigen();
    }
    DebOutObj(KlassenName(), "Resync", "Ende.");
    return synchron;
}

} // namespace quarn
