// A remote station drives this one over the simulated air with "//" lines: A is the remote station, B
// answers from its remote folder and sends the files A reads by the protocol A chose.
#include "StackTransfer.h"
#include "connections/send/DateiSendenU.h"
#include "connections/remote/RemoteCommandManagerU.h"
#include "platform/Codepage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

namespace quarn::test {
namespace {

class StackRemoteTest : public StackTransferTest {
protected:
    void SetUp() override {
        manager_ = std::make_unique<TRemoteCommandManager>();
        for (const auto& command : manager_->Commands()) {
            manager_->SetAllowedGlobal(command.name, true);
        }
        remote_ = quelle_.path() / "Fernst";
        std::filesystem::create_directories(remote_ / "Sub");
        WriteFile(remote_ / "liesmich.txt", "Hallo\r");
        WriteFile(quelle_.path() / "geheim.txt", "nicht fuer die Luft");
        std::filesystem::create_directory_symlink(quelle_.path(), remote_ / "Sub" / "raus");
        TOrdner().SetRemote(remote_);
        StackTransferTest::SetUp();
    }
    void TearDown() override {
        StackTransferTest::TearDown();
        manager_.reset();
    }

    void Tippe(std::string_view line) {
        atA_->Connection()->SendeText(std::string(line) + "\r", false, false, false, true);
    }
    // A asks for the file; returns the protocol B's sender took for it.
    std::function<void()> Lies(std::string_view name, std::uint8_t& protokoll) {
        return [this, name, &protokoll] {
            Tippe("//read " + std::string(name));
            std::shared_ptr<IDateiSenden> sender;
            ASSERT_TRUE(
                PumpUntil([&] { return (sender = atB_->Connection()->GetDateiSenden()) != nullptr; }));
            protokoll = sender->GetProtokoll();
        };
    }
    // A types the line; returns what B answered once it holds `until`.
    std::string Befehl(std::string_view line, std::string_view until) {
        const std::size_t had = atA_->ReceivedSize();
        Tippe(line);
        std::string reply;
        const bool answered = PumpUntil([&] {
            reply = atA_->Received().substr(had);
            return reply.find(until) != std::string::npos;
        });
        EXPECT_TRUE(answered) << line << " got: " << reply << "\n" << Stand(*atB_);
        return reply;
    }

    std::unique_ptr<TRemoteCommandManager> manager_;
    std::filesystem::path remote_;
};

TEST_F(StackRemoteTest, ARemoteStationListsChangesFolderAndReadsByItsBinModeButNeverLeaves) {
    const std::string dir = Befehl("//dir", "Bytes\r");
    EXPECT_NE(dir.find("<Quarn>: Inhalt von \\*"), std::string::npos) << dir;
    EXPECT_NE(dir.find("liesmich.txt\r"), std::string::npos) << dir;
    EXPECT_NE(dir.find("Sub\\\r"), std::string::npos) << dir;

    Befehl("//cd Sub", "<Quarn>: Aktueller Ordner: Sub\\\r");
    std::string daten = StackData(3000, 3);
    WriteFile(remote_ / "Sub" / "auto.bin", daten);
    std::uint8_t protokoll = 0;
    Uebertrage(Lies("auto.bin", protokoll), {empfang_.path() / "auto.bin", daten, std::nullopt}, false);
    EXPECT_EQ(protokoll, kProtokollAutobin);

    Befehl("//binmode d", Utf8ToCp1252("<Quarn>: Übertragungsprotokoll: DIDADIT\r"));
    daten = StackData(3000, 4);
    WriteFile(remote_ / "Sub" / "dida.bin", daten);
    Uebertrage(Lies("dida.bin", protokoll), {empfang_.path() / "dida.bin", daten, std::nullopt}, false);
    EXPECT_EQ(protokoll, kProtokollDidadit);

    // Every way out: up past the root, the host's root, a link inside that leads outside, a file of the
    // parent folder. Nothing of it is listed or sent, and the current folder stays.
    for (const auto& [line, reply] :
         {std::pair{"//cd ..\\..", "Ungültiger Parameter"}, std::pair{"//cd /etc", "Ungültiger Parameter"},
          std::pair{"//cd raus", "Ungültiger Parameter"}, std::pair{"//dir raus", "Zugriff verweigert"},
          std::pair{"//dir ..\\..\\*", "Zugriff verweigert"},
          std::pair{"//read ../../geheim.txt", "Zugriff verweigert"},
          std::pair{"//read raus/geheim.txt", "Zugriff verweigert"}}) {
        SCOPED_TRACE(line);
        const std::string answer = Befehl(line, Utf8ToCp1252(reply));
        EXPECT_EQ(answer.find("geheim"), std::string::npos) << answer;
    }
    Befehl("//cd", "<Quarn>: Aktueller Ordner: Sub\\\r");
    EXPECT_EQ(atB_->Connection()->GetDateiSendenQueue()->GetCount(), 0U);
    EXPECT_FALSE(std::filesystem::exists(empfang_.path() / "geheim.txt"));
}

} // namespace
} // namespace quarn::test
