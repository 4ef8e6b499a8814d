#include "foundation/OrdnerU.h"
#include "platform/FileSystem.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace quarn {
namespace {

namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::vector<std::string> Names(const std::vector<TRemoteDirEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) {
        names.push_back(entry.Name);
    }
    return names;
}

// A remote folder "Quarn" with siblings that must stay out of reach: "QuarnSecret" and "quarn" next to
// it, and links inside it that lead there.
class OrdnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        remote_ = temp_ / "Quarn";
        for (const fs::path& folder : {remote_, remote_ / "sub", temp_ / "QuarnSecret", temp_ / "quarn"}) {
            fs::create_directories(folder);
        }
        WriteFile(remote_ / "a.txt", "12345");
        WriteFile(remote_ / "B.TXT", "b");
        WriteFile(remote_ / "sub" / "inner.txt", "inner");
        WriteFile(remote_ / "\xC3\xBC"
                            "ber.txt",
                  "u"); // "über.txt" on disk
        WriteFile(temp_ / "QuarnSecret" / "secret.txt", "secret");
        WriteFile(temp_ / "quarn" / "secret.txt", "secret");
        fs::create_directory_symlink("../QuarnSecret", remote_ / "out");
        fs::create_directory_symlink("../quarn", remote_ / "lower");
        fs::create_symlink("../QuarnSecret/secret.txt", remote_ / "passwd");
        fs::create_directory_symlink("sub", remote_ / "inside");
        ordner_.SetRemote(remote_);
    }

    struct Listing {
        bool result;
        std::string wildcard;
        std::string folder;
        std::vector<TRemoteDirEntry> entries;
    };
    Listing List(const std::string& path, bool hasParameter = true) const {
        Listing listing;
        listing.result =
            ordner_.DirRemote(path, hasParameter, listing.wildcard, listing.folder, listing.entries);
        return listing;
    }

    test::TempDir temp_;
    RegistryStore store_{temp_ / "registry"};
    TOrdner ordner_{store_};
    fs::path remote_;
};

TEST_F(OrdnerTest, FoldersDefaultToTheDocumentsFolderAndKeepATrailingSeparator) {
    RegistryStore fresh(temp_ / "fresh");
    TOrdner ordner(fresh);
    const fs::path documents = DocumentsFolder();

    EXPECT_TRUE(fresh.KeyExists(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Ordner"));
    EXPECT_EQ(ordner.GetDocumentsFolder(), documents / "");
    EXPECT_EQ(ordner.GetEmpfang(), documents / "");
    EXPECT_EQ(ordner.GetRemote(), documents / "Quarn" / "");

    ordner.SetEmpfang("/srv/empfang");
    ordner.SetRemote("/srv/remote/");
    EXPECT_EQ(ordner.GetEmpfang(), fs::path("/srv/empfang/"));
    EXPECT_EQ(ordner.GetRemote(), fs::path("/srv/remote/"));
    EXPECT_EQ(fresh.ReadString(Hive::CurrentUser, "\\Software\\Velmoor\\Quarn\\Ordner", "Empfang"),
              "/srv/empfang");

    ordner.SetEmpfang("");
    EXPECT_EQ(ordner.GetEmpfang(), documents / "");
}

TEST_F(OrdnerTest, ListsFoldersAndPatternsInsideTheRemoteFolder) {
    struct Case {
        std::string path;
        std::string wildcard;
        std::string folder;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"\\",
         "*",
         "",
         {"a.txt", "B.TXT", "inside", "sub",
          "\xFC"
          "ber.txt"}},
        {"",
         "*",
         "",
         {"a.txt", "B.TXT", "inside", "sub",
          "\xFC"
          "ber.txt"}},
        {"\\*.txt",
         "*.txt",
         "",
         {"a.txt", "B.TXT",
          "\xFC"
          "ber.txt"}},
        {"\\?.*", "?.*", "", {"a.txt", "B.TXT"}},
        {"\\\xDC*",
         "\xDC*",
         "",
         {"\xFC"
          "ber.txt"}},
        {"sub", "*", "sub", {"inner.txt"}},
        {"\\sub\\", "*", "sub", {"inner.txt"}},
        {"/sub/inner.TXT", "inner.TXT", "sub", {"inner.txt"}},
        {".\\sub\\.\\inner.txt", "inner.txt", "sub", {"inner.txt"}},
        {"inside", "*", "sub", {"inner.txt"}},
        {"sub\\nothing*", "nothing*", "sub", {}},
        // A link to a file outside is not offered, not even by its own name.
        {"passwd", "passwd", "", {}},
    };
    for (const Case& c : cases) {
        const Listing listing = List(c.path);
        EXPECT_TRUE(listing.result) << c.path;
        EXPECT_EQ(listing.wildcard, c.wildcard) << c.path;
        EXPECT_EQ(listing.folder, c.folder) << c.path;
        EXPECT_EQ(Names(listing.entries), c.names) << c.path;
    }
}

TEST_F(OrdnerTest, DotDotThatStaysInsideTheRemoteFolderIsFollowed) {
    const std::vector<std::string> rootNames = {"a.txt", "B.TXT", "inside", "sub",
                                                "\xFC"
                                                "ber.txt"};
    struct Case {
        std::string path;
        std::string wildcard;
        std::string folder;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {"sub\\..", "*", "", rootNames},
        {"\\sub\\..\\", "*", "", rootNames},
        {"sub\\..\\?.txt", "?.txt", "", {"a.txt", "B.TXT"}},
        {"\\sub\\..\\sub\\inner.txt", "inner.txt", "sub", {"inner.txt"}},
        {"inside\\..\\a.txt", "a.txt", "", {"a.txt"}},
        // Collapsed by name before links are followed: "out\.." is the remote folder itself.
        {"out\\..\\sub", "*", "sub", {"inner.txt"}},
        // Out and back in again ends inside.
        {"..\\Quarn\\sub", "*", "sub", {"inner.txt"}},
    };
    for (const Case& c : cases) {
        const Listing listing = List(c.path);
        EXPECT_TRUE(listing.result) << c.path;
        EXPECT_EQ(listing.wildcard, c.wildcard) << c.path;
        EXPECT_EQ(listing.folder, c.folder) << c.path;
        EXPECT_EQ(Names(listing.entries), c.names) << c.path;
    }
}

TEST_F(OrdnerTest, RefusesEverythingThatLeadsOutOfTheRemoteFolder) {
    const std::vector<std::string> refused = {
        "..\\..",                      // climbing up
        "..\\QuarnSecret",             // a sibling by name
        "sub\\..\\..",                 // climbing up from below
        "sub\\..\\..\\QuarnSecret\\*", // and over to a sibling
        "out\\sub\\..",                // what is left is a link to a sibling
        "out",                         // a link to a sibling folder
        "out\\secret.txt",             // through that link
        "lower\\*",                    // a link to a sibling that differs only in case
        "C:\\Windows",                 // drive forms
        "sub\\c:secret",               //
        std::string("sub\0\\..", 7),   // NUL
    };
    for (const std::string& path : refused) {
        for (bool hasParameter : {true, false}) {
            const Listing listing = List(path, hasParameter);
            EXPECT_FALSE(listing.result) << path << " " << hasParameter;
            EXPECT_TRUE(listing.entries.empty()) << path;
        }
    }
}

TEST_F(OrdnerTest, SiblingFoldersSharingTheNameStayOutsideWhateverTheCase) {
    // The remote folder spelt in another case is another folder on Linux.
    ordner_.SetRemote(temp_ / "quarn");
    EXPECT_EQ(Names(List("\\").entries), std::vector<std::string>{"secret.txt"});
    EXPECT_FALSE(List("..\\Quarn").result);

    // A remote folder reached through a link is resolved before comparing.
    fs::create_directory_symlink(remote_, temp_ / "RemoteLink");
    ordner_.SetRemote(temp_ / "RemoteLink");
    EXPECT_EQ(Names(List("sub").entries), std::vector<std::string>{"inner.txt"});
    EXPECT_FALSE(List("out").result);
}

TEST_F(OrdnerTest, EntriesCarryNameSizeAttributesAndPath) {
    fs::permissions(remote_ / "B.TXT", fs::perms::owner_write, fs::perm_options::remove);
    WriteFile(remote_ / ".hidden", "");
    const Listing listing = List("\\");
    ASSERT_TRUE(listing.result);

    const auto find = [&](const std::string& name) {
        return *std::find_if(listing.entries.begin(), listing.entries.end(),
                             [&](const TRemoteDirEntry& entry) { return entry.Name == name; });
    };
    EXPECT_EQ(find("a.txt").Size, 5u);
    EXPECT_EQ(find("a.txt").Attr, faArchive);
    EXPECT_EQ(find("a.txt").Path, remote_ / "a.txt");
    EXPECT_EQ(find("B.TXT").Attr, faArchive | faReadOnly);
    EXPECT_EQ(find(".hidden").Attr, faArchive | faHidden);
    EXPECT_EQ(find("sub").Attr, faDirectory);
    const auto age = std::chrono::system_clock::now() - find("a.txt").Time;
    EXPECT_LT(std::chrono::abs(age), std::chrono::minutes(1));
}

TEST_F(OrdnerTest, WithoutParameterTheEntryOfThePathItselfIsGiven) {
    const Listing folder = List("sub\\", false);
    EXPECT_TRUE(folder.result);
    EXPECT_EQ(folder.wildcard, "");
    EXPECT_EQ(folder.folder, "sub");
    ASSERT_EQ(folder.entries.size(), 1u);
    EXPECT_EQ(folder.entries[0].Name, "sub");
    EXPECT_EQ(folder.entries[0].Attr, faDirectory);

    const Listing missing = List("gone", false);
    EXPECT_TRUE(missing.result);
    EXPECT_TRUE(missing.entries.empty());
}

TEST_F(OrdnerTest, ListsAtMostAThousandEntries) {
    fs::create_directory(remote_ / "many");
    for (int i = 0; i < 1500; ++i) {
        WriteFile(remote_ / "many" / ("f" + std::to_string(i)), "");
    }
    const Listing listing = List("many");
    EXPECT_TRUE(listing.result);
    EXPECT_EQ(listing.entries.size(), TOrdner::kMaxRemoteEntries);
}

} // namespace
} // namespace quarn
