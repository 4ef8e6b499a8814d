#pragma once

#include "platform/Exception.h"
#include "platform/GpgEngine.h"
#include "platform/GpgStatus.h"

#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quarn {

class GpgContext;
class IVerbindung;

// "PGP DLL not loaded" (no usable gpg) and failures to set GPGME up.
class EPGP : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EPGP"; }
};

// A failed GPGME call, raised by CheckPGPResult.
class EPGPApi : public Exception {
public:
    using Exception::Exception;
    std::string className() const override { return "EPGPApi"; }
};

// GPGME's text for the status, or "Unbekannter PGP-Fehler", then " (<code>)".
std::string PGPErrorText(const GpgStatus& status);
// Traces and raises EPGPApi "<error text>: <step>" for a failed status.
void CheckPGPResult(const GpgStatus& status, std::string_view step);

// The process-wide engine state: probed once, at program start or else on first use. An engine that
// cannot be run leaves PGP "not loaded". Any thread may call.
void InitPGPDLL(const GpgEngine& engine = {});
bool PGPLoaded();
// The engine version found ("2.2.40"), empty when none.
std::string PGPVersion();

// A secret key as the key choice lists it.
struct TPGPKeyLine {
    std::string text;        // user id (Windows-1252) and " [algorithm]"
    std::string fingerprint; // names the key for ClearSign and CheckPassphrase
};

// The few OpenPGP operations of the program over the operator's GnuPG home. One object per operation or
// received block; every call comes from the thread that created it.
class TPGP {
public:
    // Raises EPGP "PGP DLL not loaded" when there is no usable engine.
    TPGP();
    ~TPGP();
    TPGP(const TPGP&) = delete;
    TPGP& operator=(const TPGP&) = delete;

    // Fills the list with the secret keys; -1 when there is none (or on an error, which is reported),
    // else the index of the default key's line.
    int GetPrivateKeys(std::vector<TPGPKeyLine>& list);

    // The clear-signed text, lines ended by CR; input lines may end in CR, LF or CR LF. The armour
    // carries "Version: Quarn <version>" and the comment, when there is one.
    std::string ClearSign(std::string_view key, std::string_view passphrase, std::string_view input,
                          std::string_view comment);
    // True when the passphrase unlocks the key. A passphrase the agent remembers for the key does not
    // count, and stays remembered.
    bool CheckPassphrase(std::string_view key, std::string_view passphrase);

    // A signed message: verifies it and plays the sound of the result (for the peer's station settings).
    // A public key block: imports its keys, never secret ones. Returns the text for the channel.
    std::string CheckSignature(std::string_view block, const IVerbindung* peer = nullptr);
    // The sound event the last CheckSignature chose, 0 when none.
    int LastSoundEvent() const { return lastSoundEvent_; }

private:
    void AssertThread() const;
    std::string Verify(std::string_view block, const IVerbindung* peer);
    std::string ImportKeys(std::string_view block);
    // A heading and the user ids of the keys, one a line; empty without keys.
    std::string KeyList(std::string_view heading, const std::vector<std::string>& fingerprints);

    std::thread::id thread_;
    std::unique_ptr<GpgContext> context_;
    int lastSoundEvent_ = 0;
};

} // namespace quarn
