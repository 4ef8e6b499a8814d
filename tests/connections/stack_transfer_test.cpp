// A file sent between two whole stations over the simulated 9,600-baud air: queued on A's connection as
// the send dialog does, started by A's standard handler, recognised and received by B's.
#include "StackTransfer.h"
#include "foundation/FileUtilsU.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace quarn::test {
namespace {

// 2023-06-15 12:34:56 UTC: an even second, far from any change of daylight saving time.
constexpr std::time_t kDatum = 1686832496;
constexpr std::uint8_t kAutobin = 2;
constexpr std::uint8_t kDidadit = 5;

TEST_F(StackTransferTest, AutobinFileArrivesWholeWithItsDateWhileBothChannelsShowProgressAndBitRate) {
    // The header's start and answers inside the data must pass as data.
    std::string inhalt = StackData(20 * 1024, 5);
    for (const auto& [at, text] :
         {std::pair{3000, "\r#BIN#99#|1\r#OK#\r#NO#\r"}, std::pair{9000, "#ABORT#\r"}}) {
        inhalt.replace(at, std::string_view(text).size(), text);
    }
    const auto datei = Quelldatei("bild.bin", inhalt, kDatum);

    Uebertrage(SendeVonA(datei, kAutobin), {empfang_.path() / "bild.bin", inhalt, kDatum});
    EXPECT_EQ(std::filesystem::file_size(datei), inhalt.size()); // the source stays

    // The standard handlers have the link again: typed text goes both ways.
    const std::size_t hadA = atA_->ReceivedSize();
    const std::size_t hadB = atB_->ReceivedSize();
    atA_->Connection()->SendeText("danke\r", false, false, false, true);
    atB_->Connection()->SendeText("bitte\r", false, false, false, true);
    EXPECT_TRUE(PumpUntil([&] {
        return atB_->Received().substr(hadB).ends_with("danke\r") &&
               atA_->Received().substr(hadA).ends_with("bitte\r");
    })) << Stand(*atA_)
        << "\n"
        << Stand(*atB_);
}

// The sender waits for "#OK#" before its data: the receiver's answer must not wait behind the transfer.
// The received file keeps the time it was written at.
TEST_F(StackTransferTest, DidaditFileArrivesWholeWhileBothChannelsShowProgressAndBitRate) {
    std::string inhalt = StackData(20 * 1024, 9);
    inhalt.replace(5000, 7, "#OK#\r\xC0\xDB"); // an answer and the frame bytes inside the data
    const auto datei = Quelldatei("daten.bin", inhalt, kDatum);

    Uebertrage(SendeVonA(datei, kDidadit), {empfang_.path() / "daten.bin", inhalt, std::nullopt});
    const auto unfertig = IncompleteFilesFolder();
    EXPECT_TRUE(!std::filesystem::exists(unfertig) || std::filesystem::is_empty(unfertig))
        << "no resume file left behind";
}

} // namespace
} // namespace quarn::test
