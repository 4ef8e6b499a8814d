// The remote commands that reach the disk (CD, DIR, READ) on a real tree: the remote folder with a
// sub-folder, links that lead out of it, a sibling folder whose name differs only in case, and a
// folder outside. Nothing outside the remote folder may be entered, listed or queued for sending.
#include "RemoteFixture.h"
#include "connections/send/DateiSendenU.h"
#include "foundation/FileStreamKioU.h"
#include "support/ScopedEnv.h"

#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quarn::test {
namespace {

// 01.02.2024 13:45 UTC
constexpr std::time_t kZeit = 1706795100;

class RemoteSandboxTest : public RemoteFixture {
protected:
    void SetUp() override {
        RemoteFixture::SetUp();
        AllowAll();
        ::tzset();
        const auto outside = dir / "outside";
        std::filesystem::create_directories(outside);
        Write(outside / "GEHEIM.txt", "secret");
        std::filesystem::create_directories(dir / "quarn");
        Write(dir / "quarn" / "secret.txt", "secret");
        Write(root / "a.txt", "");
        std::filesystem::resize_file(root / "a.txt", 1234567);
        Write(root / "b.dat", "12345");
        std::filesystem::create_directories(root / "Sub");
        Write(root / "Sub" / "c.txt", "abc");
        std::filesystem::create_directory_symlink(outside, root / "link");
        std::filesystem::create_symlink(outside / "GEHEIM.txt", root / "geheim.txt");
        for (const char* name : {"a.txt", "b.dat", "Sub", "Sub/c.txt"}) {
            const timespec times[2] = {{kZeit, 0}, {kZeit, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, (root / name).c_str(), times, 0), 0) << name;
        }
    }
    void TearDown() override {
        RemoteFixture::TearDown();
        ::tzset();
    }

    static void Write(const std::filesystem::path& path, std::string_view bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::vector<std::shared_ptr<IDateiSenden>> Jobs() const {
        const auto queue = peer->GetDateiSendenQueue();
        std::vector<std::shared_ptr<IDateiSenden>> jobs;
        for (int i = 0; i < queue->GetCount(); ++i) {
            jobs.push_back(queue->GetItems(i));
        }
        return jobs;
    }
    void ClearJobs() const {
        const auto queue = peer->GetDateiSendenQueue();
        while (queue->GetCount() > 0) {
            queue->DeQueue()->Release();
        }
    }

    ScopedEnv tz{"TZ", "UTC"};
};

TEST_F(RemoteSandboxTest, DirListsTheFolderInGermanFormatAndLeavesOutLinksThatLeadOutside) {
    const std::string listing = "<Quarn>: Inhalt von \\*\r\r"
                                "01.02.2024 13:45   1.234.567 a.txt\r"
                                "01.02.2024 13:45           5 b.dat\r"
                                "01.02.2024 13:45 <DIR>       Sub\\\r"
                                "\r"
                                "         2 Dateien, 1.234.572 Bytes\r";
    EXPECT_EQ(Run("//dir"), listing);
    EXPECT_EQ(Run("//dir *"), listing);
    // "/" and "\" both separate names; an empty match still gives the totals.
    const std::string sub = "<Quarn>: Inhalt von Sub\\*.txt\r\r"
                            "01.02.2024 13:45           3 c.txt\r"
                            "\r"
                            "         1 Dateien, 3 Bytes\r";
    EXPECT_EQ(Run("//dir Sub/*.txt"), sub);
    EXPECT_EQ(Run("//dir Sub\\*.txt"), sub);
    EXPECT_EQ(Run("//dir *.none"), "<Quarn>: Inhalt von \\*.none\r"
                                   "\r"
                                   "         0 Dateien, 0 Bytes\r");
}

TEST_F(RemoteSandboxTest, CdMovesWithinTheRemoteFolder) {
    const std::vector<std::pair<std::string, std::string>> steps = {
        {"//cd Sub", "Sub\\"}, {"//cd", "Sub\\"},         {"//cd ..", "\\"}, {"//cd /Sub", "Sub\\"},
        {"//cd \\", "\\"},     {"//cd S*", "Sub\\"},      {"//cd /", "\\"},  {"//cd Sub\\", "Sub\\"},
        {"//cd .", "Sub\\"},   {"//cd ..\\Sub", "Sub\\"},
    };
    for (const auto& [line, folder] : steps) {
        EXPECT_EQ(Run(line), "<Quarn>: Aktueller Ordner: " + folder + "\r") << line;
    }
    EXPECT_EQ(Run("//dir c*"), "<Quarn>: Inhalt von Sub\\c*\r\r"
                               "01.02.2024 13:45           3 c.txt\r"
                               "\r"
                               "         1 Dateien, 3 Bytes\r");
}

TEST_F(RemoteSandboxTest, EveryWayOutIsRefusedAndTheFolderStays) {
    ASSERT_EQ(Run("//cd Sub"), "<Quarn>: Aktueller Ordner: Sub\\\r");
    const std::string refused = "<Quarn>: Ung\xFCltiger Parameter\r";
    for (const std::string& parameter : std::vector<std::string>{
             "..\\..", "../..", "..\\..\\quarn", "../../Q*", "..\\..\\q*", "\\..", "/etc", "\\link",
             "../link", "..\\link\\", "C:\\", "c:", "\\Sub\\..\\..\\quarn", "nothing", "../a.txt",
             std::string("S\0b", 3)}) {
        EXPECT_EQ(Run("//cd " + parameter), refused) << parameter;
    }
    EXPECT_EQ(Run("//cd"), "<Quarn>: Aktueller Ordner: Sub\\\r");
    ASSERT_EQ(Run("//cd \\"), "<Quarn>: Aktueller Ordner: \\\r");
    for (const std::string parameter :
         {"..", "../quarn", "link", "link/*", "..\\outside\\*", "/../quarn/*"}) {
        EXPECT_TRUE(Run("//dir " + parameter).starts_with("<Quarn>: Zugriff verweigert. Ordner: "))
            << parameter;
        EXPECT_TRUE(Run("//read " + parameter).starts_with("<Quarn>: Zugriff verweigert. Ordner: "))
            << parameter;
    }
    for (const std::string parameter :
         {"../quarn/secret.txt", "link/GEHEIM.txt", "geheim.txt", "Sub", "*.none"}) {
        const std::string reply = Run("//read " + parameter);
        if (parameter == "Sub") {
            ClearJobs(); // a folder reads as its files: inside, so fine
            continue;
        }
        EXPECT_TRUE(reply.starts_with("<Quarn>: Zugriff verweigert. Ordner: ")) << parameter << ": " << reply;
    }
    EXPECT_TRUE(Jobs().empty());
}

TEST_F(RemoteSandboxTest, ReadQueuesOneClosedJobPerFileWithTheProtocolOfTheBinMode) {
    EXPECT_EQ(Run("//r *"), "");
    auto jobs = Jobs();
    ASSERT_EQ(jobs.size(), 2U);
    EXPECT_EQ(jobs[0]->GetAnzeigename(), "a.txt");
    EXPECT_EQ(jobs[1]->GetAnzeigename(), "b.dat");
    for (const auto& job : jobs) {
        EXPECT_EQ(job->GetProtokoll(), kProtokollAutobin);
        const auto* stream = dynamic_cast<const TFileStreamKio*>(job->GetStream());
        ASSERT_NE(stream, nullptr);
        EXPECT_FALSE(stream->IsOpen()) << "no descriptor is held while the job waits";
    }
    // Opened when its sender starts; a file gone by then is reported, not sent.
    EXPECT_TRUE(DateiOeffnen(*jobs[1]));
    EXPECT_EQ(jobs[1]->GetStream()->Size(), 5);
    std::filesystem::remove(root / "a.txt");
    EXPECT_FALSE(DateiOeffnen(*jobs[0]));
    ClearJobs();

    peer->SetBinMode(kProtokollDidadit);
    EXPECT_EQ(Run("//read Sub/c.txt"), "");
    EXPECT_EQ(Run("//read Sub\\c.txt"), "");
    jobs = Jobs();
    ASSERT_EQ(jobs.size(), 2U);
    for (const auto& job : jobs) {
        EXPECT_EQ(job->GetProtokoll(), kProtokollDidadit);
        EXPECT_EQ(job->GetDateiname(), root / "Sub" / "c.txt");
    }
    ClearJobs();
    EXPECT_TRUE(Run("//read").starts_with("<Quarn>: Zugriff verweigert. Ordner: "));
}

} // namespace
} // namespace quarn::test
