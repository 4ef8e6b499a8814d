#include "stations/PGPCheckU.h"

#include "foundation/ConfigU.h"
#include "foundation/DebOutU.h"
#include "foundation/FileUtilsU.h"
#include "foundation/InterfacesU.h"
#include "platform/Codepage.h"
#include "stations/PGPU.h"

namespace quarn {

namespace {

constexpr std::string_view kClass = "TPGPCheck";
constexpr std::string_view kPromptPrefix = "<Quarn>: ";
constexpr int kPromptKind = 3;
constexpr int kTextWidth = 72;

constexpr std::string_view kBeginSigned = "-----BEGIN PGP SIGNED MESSAGE-----";
constexpr std::string_view kBeginPublicKey = "-----BEGIN PGP PUBLIC KEY BLOCK-----";
constexpr std::string_view kEndSignature = "-----END PGP SIGNATURE-----";
constexpr std::string_view kEndPublicKey = "-----END PGP PUBLIC KEY BLOCK-----";

bool CollectPublicKeys() {
    const TConfig* config = Config();
    return config == nullptr || config->GetCollectPublicKeys();
}

} // namespace

TPGPCheck::TPGPCheck(IVerbindung& connection)
    : TPGPCheck([&connection](std::string_view text, int kind) { connection.KanalPrompt(text, kind); },
                &connection) {}

TPGPCheck::TPGPCheck(TPrompt prompt, const IVerbindung* peer) : prompt_(std::move(prompt)), peer_(peer) {}

TPGPCheck::~TPGPCheck() = default;

void TPGPCheck::Receive(std::string_view line) {
    if (kind_ == Kind::None) {
        if (line.size() > 29 && line.starts_with("--") && line.ends_with('\r')) {
            Start(line);
        }
        return;
    }
    if (!line.empty()) {
        buffer_.append(line);
    }
    if (line.ends_with('\r') && (line.starts_with(kEndSignature) || line.starts_with(kEndPublicKey))) {
        Complete();
    } else if (buffer_.size() > kMaxBlock) {
        Show(Utf8ToCp1252("PGP-signierte Nachricht zu groß."));
        Stop();
    }
}

void TPGPCheck::Start(std::string_view line) {
    Kind kind = Kind::None;
    if (line.starts_with(kBeginSigned)) {
        kind = Kind::SignedMessage;
    } else if (line.starts_with(kBeginPublicKey)) {
        kind = Kind::PublicKeyBlock;
    } else {
        return;
    }
    try {
        pgp_ = std::make_unique<TPGP>();
    } catch (const std::exception& error) {
        // Without a usable gpg blocks pass by unnoticed.
        DebOutObj(kClass, "Receive", error.what());
        return;
    }
    kind_ = kind;
    buffer_.assign(line);
}

void TPGPCheck::Complete() {
    std::string text;
    try {
        if (kind_ == Kind::PublicKeyBlock && !CollectPublicKeys()) {
            text = WrapText(Utf8ToCp1252("Das automatische Hinzufügen von öffentlichen Schlüsseln zum "
                                         "Schlüsselbund ist ausgeschaltet."),
                            "\r", "", kTextWidth - static_cast<int>(kPromptPrefix.size()));
        } else {
            text = pgp_->CheckSignature(buffer_, peer_);
        }
    } catch (const std::exception& error) {
        DebOutObj(kClass, "Receive", std::string("PGP Fehler: ") + error.what());
        text = "PGP Fehler: \"" + Utf8ToCp1252(error.what()) + "\"";
    }
    Show(text);
    Stop();
}

void TPGPCheck::Show(const std::string& text) {
    if (prompt_) {
        prompt_(text, kPromptKind);
    }
}

void TPGPCheck::Stop() {
    kind_ = Kind::None;
    std::string().swap(buffer_);
    pgp_.reset();
}

} // namespace quarn
