#pragma once

// The DIDADIT receiver among fakes: a peer scripted with the frame builders or replayed from a recorded
// session, our answers read back as blocks, and a look into "Incomplete Files".
#include "AutobinFixture.h"
#include "connections/transfer/DidaditFrameU.h"
#include "connections/transfer/DidaditReceiveAnmelden.h"
#include "connections/transfer/VerbindungDidaditReceiveU.h"
#include "foundation/MD5U.h"

#include <random>

namespace quarn::test {

class OffenDidaditReceive final : public TVerbindungDidaditReceive {
public:
    using TVerbindungDidaditReceive::ReceiveData;
    using TVerbindungDidaditReceive::SendData;
    using TVerbindungDidaditReceive::TVerbindungDidaditReceive;
};

// The I frames of a recorded session, one direction each.
struct DidaditMitschnitt {
    std::vector<std::string> vonBox;
    std::vector<std::string> vonUns;
};

inline DidaditMitschnitt LiesDidaditTrace(const std::string& name) {
    std::ifstream file(std::filesystem::path(QUARN_TESTDATA_DIR) / "didadit" / name);
    DidaditMitschnitt result;
    for (std::string line; std::getline(file, line);) {
        if (line.size() < 2 || (line[0] != '<' && line[0] != '>')) {
            continue;
        }
        std::string bytes;
        for (std::size_t i = 2; i + 1 < line.size(); i += 3) {
            bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        }
        (line[0] == '<' ? result.vonBox : result.vonUns).push_back(std::move(bytes));
    }
    return result;
}

inline std::vector<TDidaditBlock> DidaditBloecke(std::string_view bytes) {
    TDidaditFrameSplitter splitter;
    splitter.Add(bytes);
    std::vector<TDidaditBlock> blocks;
    while (auto frame = splitter.Next()) {
        if (auto block = DidaditDecodeFrame(*frame)) {
            blocks.push_back(std::move(*block));
        }
    }
    return blocks;
}

// Bytes with plenty of 0xC0 and 0xDB, so escaping is always at work.
inline std::string ZufallsDatei(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
        const unsigned value = random() % 260;
        byte = static_cast<char>(value >= 256 ? (value % 2 ? 0xC0 : 0xDB) : value);
    }
    return bytes;
}

inline MD5Digest DigestVon(std::string_view bytes) {
    return MD5HexToDigest(MD5Buffer(bytes.data(), bytes.size()));
}

// A sending peer scripted with the frame builders.
struct DidaditPeer {
    std::string datei;
    MD5Digest digest = DigestVon(datei);

    std::string Frame(TDidaditTyp typ, std::string_view data) const {
        return DidaditEncodeFrame(typ, digest, data);
    }
    std::string Info(std::string_view name = "test.bin") const {
        return Frame(TDidaditTyp::Info,
                     BuildDidaditInfo(name, static_cast<std::int64_t>(datei.size()), digest, std::nullopt));
    }
    std::string Data(std::int64_t offset, std::int64_t length) const {
        return Frame(TDidaditTyp::Data,
                     BuildDidaditData(static_cast<std::int32_t>(offset),
                                      std::string_view(datei).substr(static_cast<std::size_t>(offset),
                                                                     static_cast<std::size_t>(length))));
    }
    std::string Fin() const { return Frame(TDidaditTyp::Fin, {}); }
};

class DidaditReceiveFixture : public AutobinFixture {
protected:
    void SetUp() override {
        AutobinFixture::SetUp();
        DidaditReceiveAnmelden();
    }
    void TearDown() override {
        if (receiver) {
            receiver->Release();
        }
        AutobinFixture::TearDown();
    }
    // The start line as the standard handler leaves it, and the handler made on it.
    void Beginne(std::string_view rest = {}) {
        if (receiver) {
            receiver->Release();
        }
        connection->receive.PushString("#DIDADIT#\r" + std::string(rest));
        receiver = TVerbindungAbstract::Erzeuge<OffenDidaditReceive>(nullptr, connection);
        receiver->ReceiveData();
    }
    // Each piece arrives on its own.
    void Sende(const std::vector<std::string>& pieces) {
        for (const auto& piece : pieces) {
            connection->receive.PushString(piece);
            receiver->ReceiveData();
        }
    }
    // The bytes cut into pieces of 1 to 256 bytes, as a link may hand them over.
    void SendeZerstueckelt(std::string_view bytes, unsigned seed) {
        std::mt19937 random(seed);
        while (!bytes.empty()) {
            const std::size_t n = std::min<std::size_t>(bytes.size(), 1 + random() % 256);
            Sende({std::string(bytes.substr(0, n))});
            bytes.remove_prefix(n);
        }
    }
    // The loop that ends a finished or aborted reception.
    void Ende() { receiver->EventLoop(); }
    // The link goes down in the middle.
    void Abbruch() {
        connection->disconnect.Set();
        receiver->EventLoop();
        connection->disconnect.Reset();
    }
    // Everything we sent since the last call.
    std::string Ausgang() {
        std::string bytes;
        while (!connection->transmit.IsEmpty()) {
            bytes += connection->transmit.PopString();
        }
        return bytes;
    }
    std::vector<TDidaditBlock> Antworten() { return DidaditBloecke(Ausgang()); }
    std::filesystem::path Resume(std::string_view digest, std::string_view endung) const {
        return IncompleteFilesFolder() / (std::string(digest) + std::string(endung));
    }

    std::shared_ptr<OffenDidaditReceive> receiver;
};

} // namespace quarn::test
