#include "platform/GpgAgent.h"

#include "platform/GpgData.h"
#include "platform/GpgInit.h"

#include <QProcess>
#include <QStringList>
#include <cstring>
#include <gpgme.h>
#include <memory>
#include <string>

namespace quarn {

namespace {

// Asked of gpgconf each time: GPGME keeps its own answer from the first question for the whole
// process, which would miss a home chosen later.
std::string AgentSocket(const GpgEngine& engine) {
    const char* gpgconf = gpgme_get_dirinfo("gpgconf-name");
    if (gpgconf == nullptr) {
        return {};
    }
    QStringList arguments;
    if (!engine.homeDir.empty()) {
        arguments << "--homedir" << QString::fromStdString(engine.homeDir);
    }
    arguments << "--list-dirs"
              << "agent-socket";
    QProcess process;
    process.start(QString::fromUtf8(gpgconf), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toStdString();
}

struct PassphraseInquiry {
    GpgData passphrase;
    bool asked = false;
};

// The agent inquires "PASSPHRASE" in loopback mode. The data stays ours: GPGME's closing call with no
// name needs nothing released.
gpgme_error_t AnswerInquiry(void* hook, const char* name, const char* /*args*/, gpgme_data_t* data) {
    auto* inquiry = static_cast<PassphraseInquiry*>(hook);
    if (name == nullptr || std::strcmp(name, "PASSPHRASE") != 0) {
        return 0;
    }
    // One answer only: the agent asking again would test the same passphrase again.
    if (inquiry->asked) {
        return gpgme_error(GPG_ERR_ASS_CANCELED);
    }
    inquiry->asked = true;
    *data = inquiry->passphrase.get();
    return 0;
}

gpgme_error_t Transact(gpgme_ctx_t agent, const std::string& command, PassphraseInquiry* inquiry) {
    gpgme_error_t answer = 0;
    const gpgme_error_t error = gpgme_op_assuan_transact_ext(agent, command.c_str(), nullptr, nullptr,
                                                             inquiry != nullptr ? AnswerInquiry : nullptr,
                                                             inquiry, nullptr, nullptr, &answer);
    return error != 0 ? error : answer;
}

} // namespace

GpgStatus VerifyAgentPassphrase(const GpgEngine& engine, std::string_view keygrip,
                                std::string_view passphrase) {
    InitializeGpgme();
    const std::string socket = AgentSocket(engine);
    if (socket.empty()) {
        return GpgStatus(gpgme_error(GPG_ERR_NO_AGENT));
    }
    gpgme_error_t error = 0;
    const GpgmeContextOwner owner =
        NewGpgmeContext(GPGME_PROTOCOL_ASSUAN, socket.c_str(),
                        engine.homeDir.empty() ? nullptr : engine.homeDir.c_str(), error);
    gpgme_ctx_t agent = owner.get();
    // Loopback: the agent inquires the passphrase of us instead of showing a pinentry window.
    if (error == 0) {
        error = Transact(agent, "OPTION pinentry-mode=loopback", nullptr);
    }
    if (error != 0) {
        return GpgStatus(error);
    }
    // PASSWD --verify unlocks the key without the agent's cache and changes nothing.
    PassphraseInquiry inquiry{GpgData(passphrase)};
    return GpgStatus(Transact(agent, "PASSWD --verify " + std::string(keygrip), &inquiry));
}

} // namespace quarn
