#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quarn {

class IVerbindung;
class TPGP;

// Watches the received lines of one connection for PGP-signed messages and public key blocks, collects
// each block, and shows the result of checking it in the channel. Lives on the connection's thread.
class TPGPCheck {
public:
    // Where a result goes: the connection's KanalPrompt in the program.
    using TPrompt = std::function<void(std::string_view text, int kind)>;

    explicit TPGPCheck(IVerbindung& connection);
    // `peer` (may be null) chooses the station's sounds.
    TPGPCheck(TPrompt prompt, const IVerbindung* peer);
    ~TPGPCheck();
    TPGPCheck(const TPGPCheck&) = delete;
    TPGPCheck& operator=(const TPGPCheck&) = delete;

    // One received line, ending with CR when it is complete.
    void Receive(std::string_view line);
    bool Collecting() const { return kind_ != Kind::None; }

    static constexpr std::size_t kMaxBlock = 0x100000;

private:
    enum class Kind { None = 0, SignedMessage = 1, PublicKeyBlock = 2 };

    void Start(std::string_view line);
    void Complete();
    void Show(const std::string& text);
    void Stop();

    TPrompt prompt_;
    const IVerbindung* peer_ = nullptr;
    Kind kind_ = Kind::None;
    std::string buffer_;
    std::unique_ptr<TPGP> pgp_;
};

} // namespace quarn
