// Malformed AutoBIN headers from a seeded generator: no crash, and no file outside the two folders a
// reception may write to.
#include "AutobinFixture.h"
#include "connections/transfer/AutobinKopfU.h"
#include "connections/transfer/VerbindungAutobinReceiveU.h"

#include <random>
#include <set>

namespace quarn::test {
namespace {

namespace fs = std::filesystem;

std::set<fs::path> AlleDateien(const fs::path& root) {
    std::set<fs::path> files;
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(root, ignored); it != fs::recursive_directory_iterator();
         it.increment(ignored)) {
        files.insert(it->path());
    }
    return files;
}

std::string ZufallsKopf(std::mt19937& zufall) {
    static const std::string teile[] = {"#",
                                        "#|",
                                        "#$",
                                        "-",
                                        "0",
                                        "1",
                                        "65536",
                                        "99999999999999999999",
                                        "FFFFFFFF",
                                        "1EDEADF0",
                                        "..",
                                        "/",
                                        "\\",
                                        ":",
                                        "C:",
                                        "../../etc/passwd",
                                        "name.bin",
                                        "\r",
                                        " ",
                                        "\xE4",
                                        std::string(1, '\0'),
                                        "x"};
    std::string kopf = "#BIN#";
    const int n = static_cast<int>(zufall() % 12);
    for (int i = 0; i < n; ++i) {
        if (zufall() % 5 == 0) {
            kopf += static_cast<char>(zufall());
        } else {
            kopf += teile[zufall() % std::size(teile)];
        }
    }
    return kopf;
}

class OffenReceive final : public TVerbindungAutobinReceive {
public:
    using TVerbindungAutobinReceive::ReceiveData;
    using TVerbindungAutobinReceive::TVerbindungAutobinReceive;
};

class AutobinZufall : public AutobinFixture {};

TEST_F(AutobinZufall, MalformedHeadersNeitherCrashNorWriteOutsideTheirFolders) {
    std::mt19937 zufall(20261210);
    for (int i = 0; i < 5000; ++i) {
        const TAutobinKopf kopf = LiesAutobinKopf(ZufallsKopf(zufall));
        EXPECT_GE(kopf.laenge, -1);
        EXPECT_EQ(kopf.name.find_first_of("/\\:"), std::string::npos);
    }

    const fs::path wurzel = fs::path(std::getenv("XDG_DATA_HOME")).parent_path();
    const std::set<fs::path> vorher = AlleDateien(wurzel);
    const std::string einstellungen = (fs::path(std::getenv("XDG_CONFIG_HOME")) / "").string();
    const std::set<fs::path> vorherHier = AlleDateien(fs::current_path());
    for (int i = 0; i < 1500; ++i) {
        std::string kopf = ZufallsKopf(zufall);
        std::erase(kopf, '\r');
        connection->receive.PushString(kopf + "\r");
        auto receiver = TVerbindungAbstract::Erzeuge<OffenReceive>(nullptr, connection);
        std::string daten(zufall() % 40, 'd');
        if (!daten.empty()) {
            connection->receive.PushString(daten);
            receiver->ReceiveData();
        }
        // Whatever is still due is lost with the link.
        connection->disconnect.Set();
        receiver->EventLoop();
        receiver->Release();
        connection->disconnect.Reset();
        while (!connection->receive.IsEmpty()) {
            connection->receive.PopString();
        }
        connection->SetDateiSenden(nullptr);
    }
    EXPECT_TRUE(Unfertig().empty());
    for (const fs::path& neu : AlleDateien(wurzel)) {
        // Folders may appear, and the settings are written where they belong.
        if (vorher.count(neu) != 0 || !fs::is_regular_file(neu) || neu.string().starts_with(einstellungen)) {
            continue;
        }
        const std::string text = neu.string();
        const bool erlaubt = text.starts_with((TrashFolder().parent_path() / "").string()) ||
                             neu.parent_path() == IncompleteFilesFolder();
        EXPECT_TRUE(erlaubt) << text;
    }
    for (const fs::path& neu : AlleDateien(empfang.path())) {
        EXPECT_EQ(neu.parent_path(), empfang.path()) << neu;
        EXPECT_TRUE(fs::is_regular_file(neu)) << neu;
    }
    EXPECT_EQ(AlleDateien(fs::current_path()), vorherHier);
}

} // namespace
} // namespace quarn::test
