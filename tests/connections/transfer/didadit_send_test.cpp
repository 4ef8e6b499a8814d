// Sending DIDADIT: replays of a real mailbox's uploads, and a scripted peer for the rest.
#include "StandardFixture.h"
#include "connections/send/DateiSendenU.h"
#include "connections/transfer/DidaditSendAnmelden.h"
#include "connections/transfer/VerbindungDidaditSendU.h"
#include "foundation/FileStreamKioU.h"
#include "support/FileContents.h"
#include "support/TempDir.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::time_t kDateiZeit = 1704164646; // 2024-01-02 03:04:06 UTC, as recorded
const std::string kAbgebrochen = "3 Didadit-Senden abgebrochen.";

fs::path Testdaten(const std::string& name) {
    return fs::path(QUARN_TESTDATA_DIR) / "didadit" / name;
}

// One I frame of a recorded session: '<' from the mailbox, '>' from us.
struct Zeile {
    char richtung;
    std::string bytes;
};

std::vector<Zeile> LiesTrace(const std::string& name) {
    std::ifstream in(Testdaten(name));
    std::vector<Zeile> zeilen;
    for (std::string line; std::getline(in, line);) {
        if (line.size() < 2 || (line[0] != '<' && line[0] != '>')) {
            continue;
        }
        Zeile zeile{line[0], {}};
        for (std::size_t i = 2; i + 1 < line.size(); i += 3) {
            zeile.bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
        }
        zeilen.push_back(std::move(zeile));
    }
    return zeilen;
}

// The frames (still escaped) in a byte stream, after the text before the first one.
std::vector<std::string> Frames(const std::string& bytes, std::string* text = nullptr) {
    TDidaditFrameSplitter splitter;
    splitter.Add(bytes);
    std::vector<std::string> frames;
    while (auto frame = splitter.Next()) {
        frames.push_back(*frame);
    }
    if (text) {
        *text = splitter.TakeText();
    }
    return frames;
}

int Anzahl(const std::string& bytes, TDidaditTyp typ) {
    int count = 0;
    for (const std::string& frame : Frames(bytes)) {
        if (const auto block = DidaditDecodeFrame(frame);
            block && block->typ == static_cast<std::uint16_t>(typ)) {
            ++count;
        }
    }
    return count;
}

std::string Frame(TDidaditTyp typ, std::string_view data, const MD5Digest& digest = {}) {
    return DidaditEncodeFrame(typ, digest, data);
}

// The sender with its callbacks in reach, recording how it ended.
class OffenSend final : public TVerbindungDidaditSend {
public:
    using TVerbindungDidaditSend::ReceiveData;
    using TVerbindungDidaditSend::SendData;
    using TVerbindungDidaditSend::TransmitQueueEmpty;
    using TVerbindungDidaditSend::TVerbindungDidaditSend;

    std::atomic<int> grund{-1};

protected:
    void Terminated(int reason) override {
        TVerbindungDidaditSend::Terminated(reason);
        grund = reason;
    }
};

class DidaditSenden : public StandardFixture {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            alteZone_ = tz;
        }
        ::setenv("TZ", "UTC", 1);
        ::tzset();
        DidaditSendAnmelden();
    }
    void TearDown() override {
        if (loop_.joinable()) {
            sender->AbortTransfer();
            loop_.join();
        }
        if (sender) {
            sender->Release();
        }
        // An item left behind by a failed test would keep the connection alive through its back pointer.
        if (connection->job) {
            connection->job->Release();
            connection->job.reset();
        }
        StandardFixture::TearDown();
        if (alteZone_) {
            ::setenv("TZ", alteZone_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }

    // The send item for `inhalt` as "test.bin" with the recorded file time; the handler made through the
    // registered factory's class.
    void Beginne(const std::string& inhalt, const std::string& name = "test.bin") {
        const fs::path file = quelle.path() / name;
        WriteFile(file, inhalt);
        Beginne(file);
    }
    void Beginne(const fs::path& file) {
        ASSERT_TRUE(TransferFabrik(TTransferArt::DidaditSend));
        auto item = std::make_shared<TDateiSenden>(connection);
        auto stream = std::make_unique<TFileStreamKio>();
        stream->SetFileName(file);
        stream->SetMode(fmOpenRead | fmShareDenyWrite);
        stream->Open();
        const timespec times[2] = {{0, UTIME_OMIT}, {kDateiZeit, 0}};
        ASSERT_EQ(::futimens(stream->Handle(), times), 0);
        item->SetStream(std::move(stream));
        item->SetProtokoll(5);
        item->SetAnzeigename(file.filename().string());
        connection->SetDateiSenden(item);
        sender = TVerbindungAbstract::Erzeuge<OffenSend>(nullptr, connection);
    }

    // ---- the peer played step by step ----
    void Empfange(const std::string& piece) {
        connection->receive.PushString(piece);
        sender->ReceiveData();
    }
    void Start(const std::string& zeilen, const std::string& vorher = "#OK#\r") {
        Empfange(vorher + Frame(TDidaditTyp::Start, zeilen));
    }
    // What was queued since the last call.
    std::string Neu() {
        std::string bytes;
        while (!connection->transmit.IsEmpty()) {
            bytes += connection->transmit.PopString();
        }
        alles_ += bytes;
        return bytes;
    }
    // The blocks queued since the last call.
    std::vector<TDidaditBlock> NeueBloecke() {
        std::vector<TDidaditBlock> blocks;
        for (const std::string& frame : Frames(std::string(1, kDidaditFend) + Neu())) {
            if (auto block = DidaditDecodeFrame(frame)) {
                blocks.push_back(*block);
            }
        }
        return blocks;
    }
    // Empty-queue events until FIN, as the event loop would give them: the DATA blocks' (offset, length).
    std::vector<std::pair<int, int>> BisFin() {
        std::vector<std::pair<int, int>> data;
        for (int runde = 0; runde < 1000; ++runde) {
            sender->TransmitQueueEmpty();
            const std::vector<TDidaditBlock> blocks = NeueBloecke();
            if (blocks.size() != 1) {
                ADD_FAILURE() << blocks.size() << " blocks for one empty queue";
                break;
            }
            if (blocks[0].typ == static_cast<std::uint16_t>(TDidaditTyp::Fin)) {
                return data;
            }
            const auto parsed = ParseDidaditData(blocks[0].data);
            EXPECT_TRUE(parsed);
            data.emplace_back(parsed->offset, static_cast<int>(parsed->bytes.size()));
        }
        ADD_FAILURE() << "no FIN";
        return data;
    }
    // Runs the event loop, which ends at once after an end was asked for; the end reason.
    int Ende() {
        std::thread loop([this] { sender->EventLoop(); });
        for (auto bis = std::chrono::steady_clock::now() + 5s;
             sender->grund < 0 && std::chrono::steady_clock::now() < bis;) {
            std::this_thread::sleep_for(1ms);
        }
        if (sender->grund < 0) {
            ADD_FAILURE() << "the transfer did not end";
            sender->AbortTransfer();
        }
        loop.join();
        Neu();
        return sender->grund;
    }

    // ---- the peer beside the real event loop ----
    void Laufe() {
        loop_ = std::thread([this] { sender->EventLoop(); });
    }
    bool WarteBis(const std::function<bool()>& bedingung) {
        for (auto bis = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < bis;) {
            Neu();
            if (bedingung()) {
                return true;
            }
            std::this_thread::sleep_for(1ms);
        }
        return false;
    }
    int Beendet() {
        EXPECT_TRUE(WarteBis([this] { return sender->grund >= 0; }));
        if (loop_.joinable()) {
            sender->AbortTransfer();
            loop_.join();
        }
        Neu();
        return sender->grund;
    }

    // Feeds the mailbox's pieces of a recorded upload from our "#DIDADIT#" on, each once we sent as many
    // FIN blocks as the recording had before it; returns what we sent in the recording.
    std::string Replay(const std::string& trace) {
        const std::vector<Zeile> zeilen = LiesTrace(trace);
        auto zeile = std::find_if(zeilen.begin(), zeilen.end(), [](const Zeile& z) {
            return z.richtung == '>' && z.bytes == "#DIDADIT#\r";
        });
        EXPECT_NE(zeile, zeilen.end());
        Beginne(ReadFile(Testdaten("didadit_ul_clean.bin")));
        Laufe();
        std::string aufgenommen;
        for (; zeile != zeilen.end(); ++zeile) {
            if (zeile->richtung == '>') {
                aufgenommen += zeile->bytes;
                continue;
            }
            const int fins = Anzahl(aufgenommen, TDidaditTyp::Fin);
            EXPECT_TRUE(WarteBis([&] { return Anzahl(alles_, TDidaditTyp::Fin) >= fins; }));
            if (sender->grund >= 0) {
                break;
            }
            connection->receive.PushString(zeile->bytes);
        }
        return aufgenommen;
    }

    TempDir quelle;
    std::shared_ptr<OffenSend> sender;
    std::string alles_; // every byte queued for the link

private:
    std::optional<std::string> alteZone_;
    std::thread loop_;
};

// ---- replays ----

TEST_F(DidaditSenden, CleanAndResumedUploadsSendWhatTheMailboxAcceptedByteForByte) {
    for (const char* trace : {"didadit_ul_clean.trace", "didadit_ul_resume.trace"}) {
        SCOPED_TRACE(trace);
        alles_.clear();
        connection->prompts.clear();
        const std::string aufgenommen = Replay(trace);
        EXPECT_EQ(Beendet(), TVerbindungAbstract::kBeendet);
        EXPECT_EQ(alles_, aufgenommen);
        EXPECT_EQ(connection->prompts, std::vector<std::string>{"3 Didadit-Senden ok."});
        EXPECT_EQ(connection->job, nullptr);
        sender->Release();
        sender.reset();
    }
}

// Our frames against the recorded ones, where the recording had one DATA frame corrupted on purpose: ours
// is that frame intact.
void VergleicheMitBeschaedigtem(const std::string& unsere, const std::string& aufgenommen,
                                std::size_t extra) {
    std::string textUnsere;
    std::string textAufgenommen;
    const std::vector<std::string> ours = Frames(unsere, &textUnsere);
    const std::vector<std::string> recorded = Frames(aufgenommen, &textAufgenommen);
    EXPECT_EQ(textUnsere, textAufgenommen);
    ASSERT_EQ(ours.size(), recorded.size() + extra);
    int beschaedigt = 0;
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        if (DidaditDecodeFrame(recorded[i])) {
            EXPECT_EQ(ours[i], recorded[i]) << "frame " << i;
            continue;
        }
        ++beschaedigt;
        const auto block = DidaditDecodeFrame(ours[i]);
        ASSERT_TRUE(block);
        const auto data = ParseDidaditData(block->data);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->offset, 1750);
        EXPECT_EQ(data->bytes.size(), 1750U);
    }
    EXPECT_EQ(beschaedigt, 1);
}

TEST_F(DidaditSenden, AGapIsSentAgainOnRequestAndTheUploadFinishes) {
    const std::string aufgenommen = Replay("didadit_ul_gap_debug.trace");
    EXPECT_EQ(Beendet(), TVerbindungAbstract::kBeendet);
    VergleicheMitBeschaedigtem(alles_, aufgenommen, 0);
    EXPECT_EQ(Anzahl(alles_, TDidaditTyp::Fin), 2);
}

TEST_F(DidaditSenden, APeerRepeatingTheSameRequestIsGivenUpAfterTheThirdRepeat) {
    const std::string aufgenommen = Replay("didadit_ul_gap_release.trace");
    EXPECT_EQ(Beendet(), TVerbindungAbstract::kAbgebrochen);
    // Three rounds answered as recorded, then ABORT instead of a fourth.
    VergleicheMitBeschaedigtem(alles_, aufgenommen, 1);
    EXPECT_TRUE(alles_.ends_with(std::string("\xC0\x0B\x00\x00\x0B\xC0", 6)));
    EXPECT_EQ(Anzahl(alles_, TDidaditTyp::Fin), 4);
    EXPECT_EQ(connection->prompts, std::vector<std::string>{kAbgebrochen});
}

// ---- a scripted peer ----

TEST_F(DidaditSenden, OkAndStartInOnePieceStartTheData) {
    Beginne(std::string(5000, 'x'));
    Neu();
    Start("OFFSET=0\r", "\r#OK#\r");
    EXPECT_EQ(BisFin(), (std::vector<std::pair<int, int>>{{0, 1750}, {1750, 1750}, {3500, 1500}}));
    // The channel's progress display follows the item.
    EXPECT_EQ(connection->job->GetGroesse(), 5000);
    EXPECT_EQ(connection->job->GetPosition(), 5000);
    EXPECT_EQ(connection->job->GetZustand(), 2);
    Empfange(Frame(TDidaditTyp::FinAck, {}) + "\rDIDADIT-RX OK\r");
    EXPECT_EQ(Ende(), TVerbindungAbstract::kBeendet);
    // What the mailbox printed around the protocol stays on the channel.
    EXPECT_EQ(ShownText(), "\r#OK#\r\rDIDADIT-RX OK\r");
}

TEST_F(DidaditSenden, StartSetsWhereAndInWhatBlocksTheDataGo) {
    struct Fall {
        std::size_t groesse;
        const char* start;
        std::vector<std::pair<int, int>> data;
    };
    const Fall faelle[] = {
        {5000, "OFFSET=0\rBLOCKSIZE=1750\r", {{0, 1750}, {1750, 1750}, {3500, 1500}}},
        {5000, "OFFSET=3000\rBLOCKSIZE=512\r", {{3000, 512}, {3512, 512}, {4024, 512}, {4536, 464}}},
        {5000, "BLOCKSIZE=4096\r", {{0, 1750}, {1750, 1750}, {3500, 1500}}}, // never larger than offered
        {5000, "OFFSET=x\rBLOCKSIZE=0\r", {{0, 1750}, {1750, 1750}, {3500, 1500}}},
        {5000, "OFFSET=-7\r", {{0, 1750}, {1750, 1750}, {3500, 1500}}},
        {5000, "OFFSET=5000\r", {}},
        {5000, "OFFSET=9000\r", {}},
        {0, "OFFSET=0\r", {}},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.start);
        Beginne(std::string(fall.groesse, 'x'));
        Neu();
        Start(fall.start);
        EXPECT_EQ(BisFin(), fall.data);
        Empfange(Frame(TDidaditTyp::FinAck, {}));
        EXPECT_EQ(Ende(), TVerbindungAbstract::kBeendet);
        sender->Release();
    }
}

TEST_F(DidaditSenden, AFileThatGrewAfterInfoStillEndsAtTheAnnouncedSize) {
    Beginne(std::string(3000, 'x'));
    Neu();
    std::ofstream(quelle.path() / "test.bin", std::ios::app) << std::string(1000, 'y');
    Start("OFFSET=0\r");
    EXPECT_EQ(BisFin(), (std::vector<std::pair<int, int>>{{0, 1750}, {1750, 1250}}));
    Empfange(Frame(TDidaditTyp::Req, BuildDidaditReq({{2500, 500}})));
    EXPECT_EQ(BisFin(), (std::vector<std::pair<int, int>>{{2500, 500}}));
    sender->AbortTransfer();
    Ende();
}

TEST_F(DidaditSenden, RequestedRangesGoInBlocksOfTheAgreedSizeThenFinAgain) {
    std::string inhalt(5000, '\0');
    for (std::size_t i = 0; i < inhalt.size(); ++i) {
        inhalt[i] = static_cast<char>(i * 7);
    }
    Beginne(inhalt);
    Neu();
    Start("OFFSET=0\rBLOCKSIZE=512\r");
    BisFin();
    Empfange(Frame(TDidaditTyp::Req, BuildDidaditReq({{1000, 1100}, {4990, 10}})));
    std::vector<std::pair<int, int>> erwartet{{1000, 512}, {1512, 512}, {2024, 76}, {4990, 10}};
    std::vector<std::pair<int, int>> bekommen;
    for (int i = 0; i < 5; ++i) {
        sender->TransmitQueueEmpty();
        for (const TDidaditBlock& block : NeueBloecke()) {
            if (const auto data = ParseDidaditData(block.data); data && block.typ == 4) {
                bekommen.emplace_back(data->offset, static_cast<int>(data->bytes.size()));
                EXPECT_EQ(data->bytes,
                          inhalt.substr(static_cast<std::size_t>(data->offset), data->bytes.size()));
                EXPECT_EQ(block.digest, MD5HexToDigest(MD5Buffer(inhalt.data(), inhalt.size())));
            } else {
                EXPECT_EQ(block.typ, static_cast<std::uint16_t>(TDidaditTyp::Fin));
                EXPECT_EQ(i, 4);
            }
        }
    }
    EXPECT_EQ(bekommen, erwartet);
    Empfange(Frame(TDidaditTyp::FinAck, {}));
    EXPECT_EQ(Ende(), TVerbindungAbstract::kBeendet);
}

TEST_F(DidaditSenden, ABadRequestIsAnsweredWithError101AndEndsTheTransfer) {
    struct Fall {
        std::string req;
        std::string err;
    };
    const std::string zwoelf = BuildDidaditReq({{0, 100}}) + std::string(4, '\0');
    const Fall faelle[] = {
        {zwoelf, "101 REQ block with data out of range (offset 0, length 0)"},
        {BuildDidaditReq({{0, 100}, {4000, 1001}}),
         "101 REQ block with data out of range (offset 4000, length 1001)"},
        {BuildDidaditReq({{-1, 10}}), "101 REQ block with data out of range (offset -1, length 10)"},
        {BuildDidaditReq({{100, 0}}), "101 REQ block with data out of range (offset 100, length 0)"},
        {BuildDidaditReq({{0x7FFFFFF0, 0x7FFFFFF0}}),
         "101 REQ block with data out of range (offset 2147483632, length 2147483632)"},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.err);
        connection->prompts.clear();
        Beginne(std::string(5000, 'x'));
        Neu();
        Start("OFFSET=0\r");
        BisFin();
        Empfange(Frame(TDidaditTyp::Req, fall.req));
        const std::vector<TDidaditBlock> blocks = NeueBloecke();
        ASSERT_EQ(blocks.size(), 1U);
        EXPECT_EQ(blocks[0].typ, static_cast<std::uint16_t>(TDidaditTyp::Err));
        EXPECT_EQ(blocks[0].data, fall.err);
        sender->TransmitQueueEmpty();
        EXPECT_TRUE(Neu().empty()); // nothing of the valid requests before the bad one
        EXPECT_EQ(Ende(), TVerbindungAbstract::kAbgebrochen);
        EXPECT_EQ(connection->prompts, std::vector<std::string>{kAbgebrochen});
        sender->Release();
    }
}

TEST_F(DidaditSenden, OnlyTheSameRangesAskedForThreeTimesMoreInARowEndTheTransfer) {
    Beginne(std::string(5000, 'x'));
    Neu();
    Start("OFFSET=0\r");
    BisFin();
    const std::string a = Frame(TDidaditTyp::Req, BuildDidaditReq({{0, 10}}));
    const std::string b = Frame(TDidaditTyp::Req, BuildDidaditReq({{0, 10}, {20, 10}}));
    for (const std::string* req : {&a, &a, &a, &b, &b, &b, &a, &a, &a}) {
        Empfange(*req);
        EXPECT_FALSE(BisFin().empty());
    }
    Empfange(a);
    const std::vector<TDidaditBlock> blocks = NeueBloecke();
    ASSERT_EQ(blocks.size(), 1U);
    EXPECT_EQ(blocks[0].typ, static_cast<std::uint16_t>(TDidaditTyp::Abort));
    EXPECT_EQ(Ende(), TVerbindungAbstract::kAbgebrochen);
    EXPECT_EQ(connection->prompts, std::vector<std::string>{kAbgebrochen});
}

TEST_F(DidaditSenden, ErrorsFromThePeerEndTheTransferOnlyWhenFatal) {
    struct Fall {
        const char* text;
        int grund;
    };
    const Fall faelle[] = {
        {"150 Block type not implemented (13)", TVerbindungAbstract::kBeendet},
        {"150", TVerbindungAbstract::kBeendet},
        {"300 Could not create file", TVerbindungAbstract::kAbgebrochen},
        {"Quatsch", TVerbindungAbstract::kAbgebrochen},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.text);
        Beginne(std::string(3000, 'x'));
        Neu();
        Start("OFFSET=0\r");
        Empfange(Frame(TDidaditTyp::Err, fall.text));
        if (fall.grund == TVerbindungAbstract::kBeendet) {
            EXPECT_EQ(BisFin().size(), 2U);
            Empfange(Frame(TDidaditTyp::FinAck, {}));
        }
        EXPECT_EQ(Ende(), fall.grund);
        sender->Release();
    }
}

TEST_F(DidaditSenden, ChatGoesBothWaysOnlyWhenThePeerOfferedIt) {
    for (const bool chat : {true, false}) {
        SCOPED_TRACE(chat);
        while (!connection->typed.IsEmpty()) {
            connection->typed.PopString();
        }
        const std::size_t gezeigt = connection->Shown().size();
        Beginne(std::string(3000, 'x'));
        Neu();
        Start(chat ? "OFFSET=0\rFEATURES=chat,Other\r" : "OFFSET=0\r");
        connection->typed.PushString("Hallo du\r");
        sender->SendData();
        Empfange(Frame(TDidaditTyp::Chat, "Moin\r"));
        const std::vector<TDidaditBlock> blocks = NeueBloecke();
        if (chat) {
            ASSERT_EQ(blocks.size(), 1U);
            EXPECT_EQ(blocks[0].typ, static_cast<std::uint16_t>(TDidaditTyp::Chat));
            EXPECT_EQ(blocks[0].data, "Hallo du\r");
            EXPECT_TRUE(connection->typed.IsEmpty());
        } else {
            EXPECT_TRUE(blocks.empty());
            EXPECT_FALSE(connection->typed.IsEmpty()); // waits for the transfer's end
        }
        EXPECT_EQ(connection->Shown().back(), "Moin\r");
        EXPECT_EQ(connection->Shown().size(), gezeigt + 2); // "#OK#" and the chat
        EXPECT_EQ(BisFin().size(), 2U);
        sender->AbortTransfer();
        Ende();
        sender->Release();
    }
}

TEST_F(DidaditSenden, StopSendsAbortAndThePeersAbortEndsWithoutOne) {
    struct Fall {
        const char* name;
        bool gestartet;
        std::string peer; // empty: a local Stop
        bool abortBlock;
        int grund;
    };
    const std::string abortFrame("\xC0\x0B\x00\x00\x0B\xC0", 6);
    const Fall faelle[] = {
        {"Stop before the answer", false, "", true, TVerbindungAbstract::kGestoppt},
        {"Stop while sending", true, "", true, TVerbindungAbstract::kGestoppt},
        {"#ABORT# instead of #OK#", false, "\r#ABORT#\r", false, TVerbindungAbstract::kAbgebrochen},
        {"ABORT block", true, abortFrame, false, TVerbindungAbstract::kAbgebrochen},
    };
    for (const Fall& fall : faelle) {
        SCOPED_TRACE(fall.name);
        connection->prompts.clear();
        Beginne(std::string(5000, 'x'));
        Neu();
        if (fall.gestartet) {
            Start("OFFSET=0\r");
            sender->TransmitQueueEmpty();
            Neu();
        }
        if (fall.peer.empty()) {
            sender->Stop();
        } else {
            Empfange(fall.peer);
        }
        EXPECT_EQ(Ende(), fall.grund);
        EXPECT_EQ(alles_.ends_with(abortFrame), fall.abortBlock);
        EXPECT_EQ(connection->prompts, std::vector<std::string>{kAbgebrochen});
        sender->Release();
        alles_.clear();
    }
}

TEST_F(DidaditSenden, AFileLargerThanTheOffsetsReachIsRefusedBeforeAnythingIsSent) {
    const fs::path file = quelle.path() / "gross.bin";
    WriteFile(file, "");
    fs::resize_file(file, std::uintmax_t{1} << 31); // sparse: no disk used
    connection->typ = TStationType::st_terminal;
    Beginne(file);
    EXPECT_EQ(Ende(), TVerbindungAbstract::kAbgebrochen);
    EXPECT_TRUE(alles_.empty());
    EXPECT_TRUE(connection->sent.empty());
    ASSERT_EQ(connection->prompts.size(), 1U);
    EXPECT_NE(connection->prompts[0].find("2147483647"), std::string::npos);
    EXPECT_EQ(connection->job, nullptr);
}

} // namespace
} // namespace quarn::test
