#include "stations/PGPU.h"

#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/UnhandledExceptionU.h"
#include "foundation/VersionInfo.h"
#include "platform/Codepage.h"
#include "platform/GpgContext.h"
#include "stations/KlaengeU.h"
#include "stations/PGPKeyBlock.h"
#include "stations/PGPSignatureText.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

namespace quarn {

namespace {

constexpr const char* kUnit = "PGPU";
constexpr std::string_view kClass = "TPGP";

struct PGPLibrary {
    std::mutex mutex;
    bool probed = false;
    bool loaded = false;
    GpgEngine engine;
    std::string version;
};

PGPLibrary& Library() {
    static PGPLibrary library;
    return library;
}

void ProbeLocked(PGPLibrary& library, const GpgEngine& engine) {
    DebOut("PGPApiU.InitPGPDLL: Lade " +
           (engine.executable.empty() ? std::string("gpg") : engine.executable) + "...");
    const GpgEngineInfo info = ProbeGpgEngine(engine);
    library.probed = true;
    library.engine = engine;
    library.loaded = info.available;
    library.version = info.available ? info.version : std::string();
    if (info.available) {
        DebOut("PGPApiU.InitPGPDLL: Version = " + info.version);
        DebOut("PGPApiU.InitPGPDLL: Größte gefundene Version: " + info.version + " " + info.executable);
    } else {
        DebOut("PGPApiU.InitPGPDLL: PGP nicht installiert.");
    }
}

// The engine to use, probing the default one when nobody did yet.
bool LoadedEngine(GpgEngine& engine, std::string& version) {
    PGPLibrary& library = Library();
    const std::lock_guard lock(library.mutex);
    if (!library.probed) {
        ProbeLocked(library, {});
    }
    engine = library.engine;
    version = library.version;
    return library.loaded;
}

// GnuPG wants LF lines; the channel and the editor end them with CR (or CR LF).
std::string ToLf(std::string_view text) {
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            lines += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            lines += text[i];
        }
    }
    return lines;
}

std::string LfToCr(std::string text) {
    std::replace(text.begin(), text.end(), '\n', '\r');
    return text;
}

// Armour headers are not signed, so the program's own ones go in after signing.
std::string WithArmourHeaders(const std::string& signedText, std::string_view comment) {
    constexpr std::string_view kSignatureStart = "-----BEGIN PGP SIGNATURE-----\n";
    const std::size_t at = signedText.find(kSignatureStart);
    if (at == std::string::npos) {
        return signedText;
    }
    std::string headers = "Version: Quarn " + ProgramVersion() + "\n";
    if (!comment.empty()) {
        std::string line(comment);
        std::replace_if(
            line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
        headers += "Comment: " + line + "\n";
    }
    // Any headers gpg wrote itself follow ours; the blank line before the data stays where it is.
    std::string result = signedText;
    result.insert(at + kSignatureStart.size(), headers);
    return result;
}

std::string AbbreviatedKeyId(const std::string& fingerprint) {
    if (fingerprint.size() < 8) {
        return "0x" + fingerprint;
    }
    return "0x" + fingerprint.substr(fingerprint.size() - 8);
}

// gpg's validity (0 unknown, 1 undefined, 2 never, 3 marginal, 4 full, 5 ultimate) on the program's scale.
int Validity(int gpgValidity) {
    switch (gpgValidity) {
    case 2:
        return 1;
    case 3:
        return 2;
    case 4:
    case 5:
        return 3;
    default:
        return 0;
    }
}

std::string AlgorithmName(int algorithm) {
    switch (algorithm) {
    case 1:
        return "RSA";
    case 16:
        return "ElGamal";
    case 17:
        return "DH/DSS";
    default:
        return std::to_string(algorithm) + "?";
    }
}

// The first armour line of the block names a key block ("PUBLIC KEY BLOCK", also "PRIVATE KEY BLOCK").
bool StartsAsKeyBlock(std::string_view block) {
    const std::size_t start = block.find("-----BEGIN PGP ");
    if (start == std::string_view::npos) {
        return false;
    }
    const std::size_t end = block.find_first_of("\r\n", start);
    const std::string_view line = block.substr(start, end == std::string_view::npos ? end : end - start);
    return line.ends_with(" KEY BLOCK-----");
}

bool DetailedOutput() {
    const TConfig* config = Config();
    return config != nullptr && config->GetDetailedOutput();
}

} // namespace

std::string PGPErrorText(const GpgStatus& status) {
    std::string text = status.Text();
    if (text.empty()) {
        text = "Unbekannter PGP-Fehler";
    }
    char code[24];
    std::snprintf(code, sizeof code, " (%d)", status.Code());
    return text + code;
}

void CheckPGPResult(const GpgStatus& status, std::string_view step) {
    if (status.Ok()) {
        return;
    }
    const std::string message = PGPErrorText(status) + ": " + std::string(step);
    DebOut("PGP Result: " + message);
    throw EPGPApi(message);
}

void InitPGPDLL(const GpgEngine& engine) {
    PGPLibrary& library = Library();
    const std::lock_guard lock(library.mutex);
    ProbeLocked(library, engine);
}

bool PGPLoaded() {
    GpgEngine engine;
    std::string version;
    return LoadedEngine(engine, version);
}

std::string PGPVersion() {
    GpgEngine engine;
    std::string version;
    LoadedEngine(engine, version);
    return version;
}

TPGP::TPGP() : thread_(std::this_thread::get_id()) {
    GpgEngine engine;
    std::string version;
    if (!LoadedEngine(engine, version)) {
        throw EPGP("PGP DLL not loaded");
    }
    try {
        context_ = std::make_unique<GpgContext>(engine);
    } catch (const std::exception& error) {
        throw EPGP(error.what());
    }
}

TPGP::~TPGP() = default;

void TPGP::AssertThread() const {
    QUARN_ASSERT(std::this_thread::get_id() == thread_, kUnit);
}

int TPGP::GetPrivateKeys(std::vector<TPGPKeyLine>& list) {
    AssertThread();
    list.clear();
    try {
        // Only secret keys can sign: a ring of public keys alone has no line to choose.
        std::vector<GpgKeyInfo> keys;
        CheckPGPResult(context_->ListKeys(true, keys), "PGPCountKeys");
        DebOutObjFmt(kClass, "GetPrivateKeys", "PGPCountKeys = %zu", keys.size());
        std::string defaultKey;
        const GpgStatus defaultStatus = context_->DefaultKey(defaultKey);
        if (!defaultStatus.Ok()) {
            DebOutObj(kClass, "GetPrivateKeys", "PGPGetDefaultPrivateKey: " + PGPErrorText(defaultStatus));
        }
        int defaultLine = 0;
        for (const GpgKeyInfo& key : keys) {
            if (!key.secret) {
                continue;
            }
            // The user id as a 512-byte buffer would hold it.
            std::string userId = Utf8ToCp1252(key.userId);
            userId.resize(std::min<std::size_t>(userId.size(), 511));
            if (!defaultKey.empty() && key.fingerprint == defaultKey) {
                defaultLine = static_cast<int>(list.size());
            }
            list.push_back({userId + " [" + AlgorithmName(key.algorithm) + "]", key.fingerprint});
        }
        if (list.empty()) {
            return -1;
        }
        return defaultLine;
    } catch (const std::exception& error) {
        list.clear();
        ReportUnhandledException(&error, "PGPU", "TPGP.GetPrivateKeys", "");
        return -1;
    }
}

std::string TPGP::ClearSign(std::string_view key, std::string_view passphrase, std::string_view input,
                            std::string_view comment) {
    AssertThread();
    context_->SetPassphrase(passphrase);
    std::string signedText;
    const GpgStatus status = context_->ClearSign(key, ToLf(input), signedText);
    context_->SetPassphrase({});
    CheckPGPResult(status, "Encoding");
    return LfToCr(WithArmourHeaders(signedText, comment));
}

bool TPGP::CheckPassphrase(std::string_view key, std::string_view passphrase) {
    AssertThread();
    const GpgStatus status = context_->CheckPassphrase(key, passphrase);
    if (!status.Ok()) {
        DebOutObj(kClass, "CheckPassphrase", PGPErrorText(status));
    }
    return status.Ok();
}

std::string TPGP::CheckSignature(std::string_view block, const IVerbindung* peer) {
    AssertThread();
    lastSoundEvent_ = 0;
    if (block.empty()) {
        return {};
    }
    if (StartsAsKeyBlock(block)) {
        return ImportKeys(block);
    }
    return Verify(block, peer);
}

std::string TPGP::Verify(std::string_view block, const IVerbindung* peer) {
    std::vector<GpgSignatureInfo> signatures;
    CheckPGPResult(context_->Verify(ToLf(block), signatures), "Decoding");
    const bool detailed = DetailedOutput();
    std::string text;
    for (const GpgSignatureInfo& signature : signatures) {
        TPGPSignatureReport report;
        report.keyId = AbbreviatedKeyId(signature.fingerprint);
        report.checked = signature.good || signature.bad;
        report.verified = signature.good;
        report.keyRevoked = signature.keyRevoked;
        report.keyExpired = signature.keyExpired;
        report.created = signature.created > 0 ? signature.created : -1;
        if (!signature.keyMissing) {
            GpgKeyInfo key;
            CheckPGPResult(context_->FindKey(signature.fingerprint, false, key), "examining key");
            report.hasKey = true;
            report.signer = Utf8ToCp1252(key.userId);
            // The key's own validity: gpg reports none with a signature that does not match.
            report.validity = Validity(key.validity);
            report.keyRevoked = report.keyRevoked || key.revoked;
            report.keyDisabled = key.disabled;
            report.keyExpired = report.keyExpired || key.expired;
        }
        const TPGPSignatureText result = BuildSignatureText(report, detailed);
        text += result.text;
        lastSoundEvent_ = result.soundEvent;
        if (TKlaenge* sounds = Klaenge()) {
            sounds->Play(result.soundEvent, peer);
        }
    }
    return text;
}

std::string TPGP::ImportKeys(std::string_view block) {
    const TKeyBlock keys = ReadPublicKeyBlock(block);
    switch (keys.content) {
    case TKeyBlockContent::SecretKeys:
        DebOutObj(kClass, "CheckSignature", "Schlüsselblock mit geheimen Schlüsseln abgewiesen");
        return Utf8ToCp1252("Der Schlüsselblock enthält geheime Schlüssel und wurde nicht importiert.");
    case TKeyBlockContent::Damaged:
        DebOutObj(kClass, "CheckSignature", "Schlüsselblock unlesbar");
        return Utf8ToCp1252(
            "Der Schlüsselblock ist beschädigt oder enthält nicht nur öffentliche Schlüssel und wurde "
            "nicht importiert.");
    case TKeyBlockContent::PublicKeys:
        break;
    }
    GpgImportInfo imported;
    const GpgStatus status = context_->Import(keys.packets, imported);
    const GpgStatus refused = status.Ok() ? imported.refused : status;
    std::string text =
        KeyList("Folgende Schlüssel wurden dem Schlüsselring hinzugefügt:", imported.added) +
        KeyList("Folgende Schlüssel sind bereits unverändert im Schlüsselring:", imported.unchanged);
    if (!refused.Ok()) {
        DebOut("FEHLER: PGPAddKeys: " + PGPErrorText(refused));
        // The operator knows this sentence; gpg's own reason follows it.
        text += Utf8ToCp1252("Die Schlüssel können nicht zum Schlüsselbund hinzugefügt werden,\rda eine "
                             "andere Anwendung (z.B. PGPKeys) auf diesen zugreift.\r") +
                Utf8ToCp1252(PGPErrorText(refused));
    }
    return text;
}

std::string TPGP::KeyList(std::string_view heading, const std::vector<std::string>& fingerprints) {
    if (fingerprints.empty()) {
        return {};
    }
    std::string text = "\r" + Utf8ToCp1252(heading) + "\r";
    for (const std::string& fingerprint : fingerprints) {
        GpgKeyInfo key;
        const std::string name = context_->FindKey(fingerprint, false, key).Ok()
                                     ? Utf8ToCp1252(key.userId)
                                     : AbbreviatedKeyId(fingerprint);
        text += "\"" + name + "\"\r";
    }
    return text;
}

} // namespace quarn
