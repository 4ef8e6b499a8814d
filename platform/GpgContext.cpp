#include "platform/GpgContext.h"

#include "platform/Exception.h"
#include "platform/GpgAgent.h"
#include "platform/GpgData.h"
#include "platform/GpgInit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gpgme.h>
#include <vector>

namespace quarn {

struct GpgContext::Impl {
    gpgme_ctx_t context = nullptr;
    GpgEngine engine;
    std::string passphrase;
    bool asked = false;

    ~Impl() {
        // The passphrase should not linger in freed memory.
        std::fill(passphrase.begin(), passphrase.end(), '\0');
        gpgme_release(context);
    }
};

namespace {

const char* OrNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

gpgme_error_t AnswerPassphrase(void* hook, const char* /*uidHint*/, const char* /*info*/, int previousWasBad,
                               int fd) {
    auto* impl = static_cast<GpgContext::Impl*>(hook);
    // A second question means the first answer was wrong; asking again would only loop.
    if (previousWasBad != 0 || impl->asked) {
        return gpgme_error(GPG_ERR_CANCELED);
    }
    impl->asked = true;
    const std::string& text = impl->passphrase;
    if (gpgme_io_writen(fd, text.data(), text.size()) != 0 || gpgme_io_writen(fd, "\n", 1) != 0) {
        return gpgme_error_from_syserror();
    }
    return 0;
}

// GPGME numbers public-key algorithms its own way; the program shows OpenPGP's numbers.
int OpenPgpAlgorithm(gpgme_pubkey_algo_t algorithm) {
    switch (algorithm) {
    case GPGME_PK_ECDSA:
        return 19;
    case GPGME_PK_ECDH:
        return 18;
    case GPGME_PK_EDDSA:
        return 22;
    default:
        return static_cast<int>(algorithm);
    }
}

GpgKeyInfo Describe(gpgme_key_t key) {
    GpgKeyInfo info;
    if (key->subkeys != nullptr) {
        if (key->subkeys->fpr != nullptr) {
            info.fingerprint = key->subkeys->fpr;
        }
        info.algorithm = OpenPgpAlgorithm(key->subkeys->pubkey_algo);
    }
    if (key->fpr != nullptr) {
        info.fingerprint = key->fpr;
    }
    if (key->uids != nullptr && key->uids->uid != nullptr) {
        info.userId = key->uids->uid;
    }
    info.secret = key->secret != 0;
    info.revoked = key->revoked != 0;
    info.disabled = key->disabled != 0;
    info.expired = key->expired != 0;
    info.invalid = key->invalid != 0;
    for (gpgme_user_id_t uid = key->uids; uid != nullptr; uid = uid->next) {
        if (uid->revoked == 0 && uid->invalid == 0) {
            info.validity = std::max(info.validity, static_cast<int>(uid->validity));
        }
    }
    return info;
}

// Signature results that still mean "the text is as it was signed".
bool GoodStatus(gpgme_error_t status) {
    switch (gpgme_err_code(status)) {
    case GPG_ERR_NO_ERROR:
    case GPG_ERR_KEY_EXPIRED:
    case GPG_ERR_SIG_EXPIRED:
    case GPG_ERR_CERT_REVOKED:
        return true;
    default:
        return false;
    }
}

std::vector<long> VersionParts(const char* version) {
    std::vector<long> parts;
    const char* at = version;
    while (*at != '\0') {
        char* end = nullptr;
        parts.push_back(std::strtol(at, &end, 10));
        if (end == at || *end != '.') {
            break;
        }
        at = end + 1;
    }
    return parts;
}

bool VersionBelow(const char* version, const char* required) {
    return VersionParts(version) < VersionParts(required);
}

bool CanSignWith(gpgme_subkey_t subkey) {
    return subkey->can_sign != 0 && subkey->secret != 0 && subkey->revoked == 0 && subkey->expired == 0 &&
           subkey->disabled == 0 && subkey->invalid == 0;
}

// The secret part gpg signs with: its newest usable signing sub-key, else the primary key.
gpgme_subkey_t SigningSubkey(gpgme_key_t key) {
    gpgme_subkey_t primary = key->subkeys;
    if (primary == nullptr) {
        return nullptr;
    }
    gpgme_subkey_t newest = nullptr;
    for (gpgme_subkey_t subkey = primary->next; subkey != nullptr; subkey = subkey->next) {
        if (CanSignWith(subkey) && (newest == nullptr || subkey->timestamp > newest->timestamp)) {
            newest = subkey;
        }
    }
    if (newest != nullptr) {
        return newest;
    }
    return CanSignWith(primary) ? primary : nullptr;
}

} // namespace

GpgContext::GpgContext(const GpgEngine& engine) : impl_(std::make_unique<Impl>()) {
    InitializeGpgme();
    impl_->engine = engine;
    gpgme_error_t error = gpgme_new(&impl_->context);
    if (error == 0) {
        error = gpgme_set_protocol(impl_->context, GPGME_PROTOCOL_OpenPGP);
    }
    if (error == 0 && (!engine.executable.empty() || !engine.homeDir.empty())) {
        error = gpgme_ctx_set_engine_info(impl_->context, GPGME_PROTOCOL_OpenPGP, OrNull(engine.executable),
                                          OrNull(engine.homeDir));
    }
    if (error == 0) {
        error = gpgme_set_pinentry_mode(impl_->context, GPGME_PINENTRY_MODE_LOOPBACK);
    }
    if (error != 0) {
        throw Exception("GPGME: " + GpgStatus(error).Text());
    }
    gpgme_set_armor(impl_->context, 1);
    gpgme_set_textmode(impl_->context, 1);
    gpgme_set_passphrase_cb(impl_->context, AnswerPassphrase, impl_.get());
}

GpgContext::~GpgContext() = default;

GpgEngineInfo GpgContext::EngineInfo() const {
    GpgEngineInfo result;
    for (gpgme_engine_info_t info = gpgme_ctx_get_engine_info(impl_->context); info != nullptr;
         info = info->next) {
        if (info->protocol != GPGME_PROTOCOL_OpenPGP) {
            continue;
        }
        if (info->file_name != nullptr) {
            result.executable = info->file_name;
        }
        // GPGME reads the version by running the engine; one it cannot run gets a dummy version below
        // the one GPGME requires.
        if (info->version != nullptr) {
            result.version = info->version;
            result.available =
                info->req_version == nullptr || !VersionBelow(info->version, info->req_version);
        }
    }
    return result;
}

void GpgContext::SetPassphrase(std::string_view passphrase) {
    std::fill(impl_->passphrase.begin(), impl_->passphrase.end(), '\0');
    impl_->passphrase.assign(passphrase);
}

GpgStatus GpgContext::ClearSign(std::string_view fingerprint, std::string_view text,
                                std::string& signedText) {
    signedText.clear();
    GpgKeyRef key;
    const std::string name(fingerprint);
    gpgme_error_t error = gpgme_get_key(impl_->context, name.c_str(), key.out(), 1);
    if (error != 0) {
        return GpgStatus(error);
    }
    gpgme_signers_clear(impl_->context);
    error = gpgme_signers_add(impl_->context, key.get());
    if (error != 0) {
        return GpgStatus(error);
    }
    const GpgData input(text);
    const GpgData output;
    impl_->asked = false;
    error = gpgme_op_sign(impl_->context, input.get(), output.get(), GPGME_SIG_MODE_CLEAR);
    gpgme_signers_clear(impl_->context);
    if (error != 0) {
        return GpgStatus(error);
    }
    const gpgme_sign_result_t result = gpgme_op_sign_result(impl_->context);
    if (result == nullptr || result->signatures == nullptr) {
        return GpgStatus(gpgme_error(GPG_ERR_GENERAL));
    }
    if (result->invalid_signers != nullptr) {
        return GpgStatus(result->invalid_signers->reason != 0 ? result->invalid_signers->reason
                                                              : gpgme_error(GPG_ERR_UNUSABLE_SECKEY));
    }
    signedText = output.Bytes();
    return {};
}

GpgStatus GpgContext::Verify(std::string_view signedText, std::vector<GpgSignatureInfo>& signatures) {
    signatures.clear();
    const GpgData input(signedText);
    const GpgData plain;
    const gpgme_error_t error = gpgme_op_verify(impl_->context, input.get(), nullptr, plain.get());
    if (error != 0) {
        return GpgStatus(error);
    }
    const gpgme_verify_result_t result = gpgme_op_verify_result(impl_->context);
    if (result == nullptr || result->signatures == nullptr) {
        return GpgStatus(gpgme_error(GPG_ERR_NO_DATA));
    }
    for (gpgme_signature_t signature = result->signatures; signature != nullptr;
         signature = signature->next) {
        GpgSignatureInfo info;
        if (signature->fpr != nullptr) {
            info.fingerprint = signature->fpr;
        }
        const auto code = gpgme_err_code(signature->status);
        info.keyMissing = code == GPG_ERR_NO_PUBKEY;
        info.good = GoodStatus(signature->status);
        info.bad = code == GPG_ERR_BAD_SIGNATURE;
        info.keyRevoked = (signature->summary & GPGME_SIGSUM_KEY_REVOKED) != 0;
        info.keyExpired = (signature->summary & GPGME_SIGSUM_KEY_EXPIRED) != 0;
        info.created = static_cast<std::int64_t>(signature->timestamp);
        signatures.push_back(std::move(info));
    }
    return {};
}

GpgStatus GpgContext::ListKeys(bool secretOnly, std::vector<GpgKeyInfo>& keys) {
    keys.clear();
    gpgme_error_t error = gpgme_op_keylist_start(impl_->context, nullptr, secretOnly ? 1 : 0);
    while (error == 0) {
        GpgKeyRef key;
        error = gpgme_op_keylist_next(impl_->context, key.out());
        if (error == 0) {
            keys.push_back(Describe(key.get()));
        }
    }
    gpgme_op_keylist_end(impl_->context);
    return GpgStatus(gpgme_err_code(error) == GPG_ERR_EOF ? 0 : error);
}

GpgStatus GpgContext::FindKey(std::string_view fingerprint, bool secret, GpgKeyInfo& key) {
    GpgKeyRef found;
    const std::string name(fingerprint);
    const gpgme_error_t error = gpgme_get_key(impl_->context, name.c_str(), found.out(), secret ? 1 : 0);
    if (error != 0) {
        return GpgStatus(error);
    }
    key = Describe(found.get());
    return {};
}

GpgStatus GpgContext::DefaultKey(std::string& fingerprint) {
    fingerprint.clear();
    gpgme_error_t error = 0;
    const GpgmeContextOwner owner =
        NewGpgmeContext(GPGME_PROTOCOL_GPGCONF, nullptr, OrNull(impl_->engine.homeDir), error);
    gpgme_ctx_t settings = owner.get();
    gpgme_conf_comp_t components = nullptr;
    if (error == 0) {
        error = gpgme_op_conf_load(settings, &components);
    }
    if (error != 0) {
        return GpgStatus(error);
    }
    const std::unique_ptr<gpgme_conf_comp, void (*)(gpgme_conf_comp_t)> list(components, gpgme_conf_release);
    std::string name;
    for (gpgme_conf_comp_t component = components; component != nullptr; component = component->next) {
        if (component->name == nullptr || std::strcmp(component->name, "gpg") != 0) {
            continue;
        }
        for (gpgme_conf_opt_t option = component->options; option != nullptr; option = option->next) {
            if (option->name != nullptr && std::strcmp(option->name, "default-key") == 0 &&
                option->value != nullptr && option->value->value.string != nullptr) {
                name = option->value->value.string;
            }
        }
    }
    if (name.empty()) {
        return {};
    }
    GpgKeyRef key;
    error = gpgme_get_key(impl_->context, name.c_str(), key.out(), 1);
    if (error != 0) {
        return GpgStatus(error);
    }
    fingerprint = Describe(key.get()).fingerprint;
    return {};
}

GpgStatus GpgContext::Import(std::string_view keyData, GpgImportInfo& result) {
    result = {};
    const GpgData input(keyData);
    const gpgme_error_t error = gpgme_op_import(impl_->context, input.get());
    if (error != 0) {
        return GpgStatus(error);
    }
    const gpgme_import_result_t imported = gpgme_op_import_result(impl_->context);
    if (imported == nullptr) {
        return GpgStatus(gpgme_error(GPG_ERR_GENERAL));
    }
    gpgme_error_t refused = 0;
    for (gpgme_import_status_t status = imported->imports; status != nullptr; status = status->next) {
        if (status->result != 0) {
            refused = refused != 0 ? refused : status->result;
        } else if (status->fpr == nullptr) {
            continue;
        } else if (status->status == 0) {
            result.unchanged.emplace_back(status->fpr);
        } else {
            result.added.emplace_back(status->fpr);
        }
    }
    // gpg names no key for some refusals, only counts them.
    if (refused == 0 && imported->no_user_id > 0) {
        refused = gpgme_error(GPG_ERR_NO_USER_ID);
    } else if (refused == 0 && imported->skipped_v3_keys > 0) {
        refused = gpgme_error(GPG_ERR_LEGACY_KEY);
    } else if (refused == 0 && (imported->not_imported > 0 || imported->skipped_new_keys > 0 ||
                                (result.added.empty() && result.unchanged.empty()))) {
        // Keys not taken without a reason, or none processed at all (a key ring gpg cannot use).
        refused = gpgme_error(GPG_ERR_NOT_PROCESSED);
    }
    result.refused = GpgStatus(refused);
    return {};
}

GpgStatus GpgContext::CheckPassphrase(std::string_view fingerprint, std::string_view passphrase) {
    // Listing the secret key also starts the agent when it is not running yet.
    GpgKeyRef key;
    const std::string name(fingerprint);
    const gpgme_error_t error = gpgme_get_key(impl_->context, name.c_str(), key.out(), 1);
    if (error != 0) {
        return GpgStatus(error);
    }
    const gpgme_subkey_t signing = SigningSubkey(key.get());
    if (signing == nullptr || signing->keygrip == nullptr) {
        return GpgStatus(gpgme_error(GPG_ERR_UNUSABLE_SECKEY));
    }
    return VerifyAgentPassphrase(impl_->engine, signing->keygrip, passphrase);
}

} // namespace quarn
