#include "platform/Registry.h"
#include "platform/XdgPaths.h"
#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

namespace quarn {
namespace {

using Names = std::vector<std::string>;

std::string AllBytes() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RegistryTest : public ::testing::Test {
protected:
    // A second store on the same folder sees only what reached the disk.
    RegistryStore& Reopen() {
        store_ = std::make_unique<RegistryStore>(folder_);
        return *store_;
    }

    test::TempDir temp_;
    std::filesystem::path folder_ = temp_ / "Quarn";
    std::unique_ptr<RegistryStore> store_ = std::make_unique<RegistryStore>(folder_);
    RegistryStore& store = *store_;
};

TEST_F(RegistryTest, AValueReadsOnlyAsItsOwnType) {
    const std::string key = "Software\\Types";
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, key, "Text", "42"));
    ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, key, "Number", 42));
    ASSERT_TRUE(store.WriteBinary(Hive::CurrentUser, key, "Bytes", std::string("\x2a\0\0\0", 4)));

    struct Case {
        const char* name;
        RegType type;
    };
    for (const Case& item :
         {Case{"Text", RegType::String}, Case{"Number", RegType::DWord}, Case{"Bytes", RegType::Binary}}) {
        SCOPED_TRACE(item.name);
        EXPECT_EQ(store.ValueType(Hive::CurrentUser, key, item.name), item.type);
        EXPECT_EQ(store.ReadString(Hive::CurrentUser, key, item.name).has_value(),
                  item.type == RegType::String);
        EXPECT_EQ(store.ReadDWord(Hive::CurrentUser, key, item.name).has_value(),
                  item.type == RegType::DWord);
        EXPECT_EQ(store.ReadBinary(Hive::CurrentUser, key, item.name).has_value(),
                  item.type == RegType::Binary);
    }
    // Writing another type replaces the value and its type.
    ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, key, "Text", 7));
    EXPECT_FALSE(store.ReadString(Hive::CurrentUser, key, "Text"));
    EXPECT_EQ(store.ReadDWord(Hive::CurrentUser, key, "Text"), 7u);

    EXPECT_FALSE(store.ReadString(Hive::CurrentUser, key, "Missing"));
    EXPECT_FALSE(store.ReadDWord(Hive::CurrentUser, "Software\\Nowhere", "Number"));
    EXPECT_FALSE(store.ValueType(Hive::CurrentUser, "Software\\Nowhere", "Number"));
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheCaseTheyWereCreatedWith) {
    ASSERT_TRUE(store.CreateKey(Hive::CurrentUser, "Software\\Velmoor\\Kl\xE4nge"));
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "SOFTWARE\\velmoor\\KL\xC4NGE", "Font", "a"));
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "software\\VELMOOR\\kl\xE4nge", "FONT", "b"));

    EXPECT_TRUE(store.KeyExists(Hive::CurrentUser, "\\sOfTwArE\\Velmoor\\KL\xC4NGE"));
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "Software\\Velmoor\\Klaenge"));
    EXPECT_EQ(store.ReadString(Hive::CurrentUser, "Software\\Velmoor\\Kl\xE4nge", "font"), "b");

    RegistryStore& reopened = Reopen();
    EXPECT_EQ(reopened.SubKeyNames(Hive::CurrentUser, ""), Names{"Software"});
    EXPECT_EQ(reopened.SubKeyNames(Hive::CurrentUser, "software\\velmoor"), Names{"Kl\xE4nge"});
    EXPECT_EQ(reopened.ValueNames(Hive::CurrentUser, "Software\\Velmoor\\Kl\xC4nge"), Names{"Font"});
    // ß has no capital here, so "STRASSE" is another name.
    ASSERT_TRUE(reopened.CreateKey(Hive::CurrentUser, "Stra\xDF"
                                                      "e"));
    EXPECT_FALSE(reopened.KeyExists(Hive::CurrentUser, "STRASSE"));
    EXPECT_TRUE(reopened.KeyExists(Hive::CurrentUser, "STRA\xDF"
                                                      "E"));
}

TEST_F(RegistryTest, EnumerationFollowsCreationOrderAcrossAReopen) {
    const std::string devices = "Software\\Velmoor\\Quarn\\Geraete";
    for (const char* name : {"0", "1", "10", "2", "b", "A"}) {
        ASSERT_TRUE(store.CreateKey(Hive::LocalMachine, devices + "\\" + name));
    }
    for (const char* name : {"Zeta", "", "alpha", "Mid"}) {
        ASSERT_TRUE(store.WriteDWord(Hive::LocalMachine, devices, name, 1));
    }
    ASSERT_TRUE(store.WriteString(Hive::LocalMachine, devices, "ZETA", "again")); // keeps its place
    ASSERT_TRUE(store.DeleteValue(Hive::LocalMachine, devices, "alpha"));

    const Names keys{"0", "1", "10", "2", "b", "A"};
    const Names values{"Zeta", "", "Mid"};
    EXPECT_EQ(store.SubKeyNames(Hive::LocalMachine, devices), keys);
    EXPECT_EQ(store.ValueNames(Hive::LocalMachine, devices), values);
    RegistryStore& reopened = Reopen();
    EXPECT_EQ(reopened.SubKeyNames(Hive::LocalMachine, devices), keys);
    EXPECT_EQ(reopened.ValueNames(Hive::LocalMachine, devices), values);
    EXPECT_EQ(reopened.ReadString(Hive::LocalMachine, devices, "zeta"), "again");
    EXPECT_TRUE(reopened.SubKeyNames(Hive::LocalMachine, "Missing").empty());
    EXPECT_TRUE(reopened.ValueNames(Hive::LocalMachine, "Missing").empty());
}

TEST_F(RegistryTest, DeleteKeyRemovesTheWholeTree) {
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "A\\B\\C", "deep", "x"));
    ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, "A\\B", "mid", 1));
    ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, "A\\D", "kept", 2));

    EXPECT_TRUE(store.DeleteKey(Hive::CurrentUser, "a\\b"));
    EXPECT_FALSE(store.DeleteKey(Hive::CurrentUser, "A\\B"));
    EXPECT_FALSE(store.DeleteKey(Hive::CurrentUser, "X\\Y"));
    EXPECT_FALSE(store.DeleteKey(Hive::CurrentUser, "\\")); // the hive's root stays

    RegistryStore& reopened = Reopen();
    EXPECT_FALSE(reopened.KeyExists(Hive::CurrentUser, "A\\B\\C"));
    EXPECT_EQ(reopened.SubKeyNames(Hive::CurrentUser, "A"), Names{"D"});
    EXPECT_EQ(reopened.ReadDWord(Hive::CurrentUser, "A\\D", "kept"), 2u);
    ASSERT_TRUE(reopened.CreateKey(Hive::CurrentUser, "A\\B"));
    EXPECT_TRUE(reopened.ValueNames(Hive::CurrentUser, "A\\B").empty());
    EXPECT_TRUE(reopened.SubKeyNames(Hive::CurrentUser, "A\\B").empty());
}

TEST_F(RegistryTest, MoveKeyTakesTheWholeTreeAndBecomesTheLastSubKey) {
    ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, "A\\B", "mid", 1));
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "A\\B\\C", "deep", "x"));
    ASSERT_TRUE(store.CreateKey(Hive::CurrentUser, "A\\D"));

    EXPECT_TRUE(store.MoveKey(Hive::CurrentUser, "a\\b", "A\\E"));
    EXPECT_FALSE(store.MoveKey(Hive::CurrentUser, "A\\B", "A\\F")); // gone
    EXPECT_FALSE(store.MoveKey(Hive::CurrentUser, "A\\E", "a\\d")); // taken
    EXPECT_FALSE(store.MoveKey(Hive::CurrentUser, "A\\E", "A\\e\\X"));
    EXPECT_TRUE(store.MoveKey(Hive::CurrentUser, "A\\E\\C", "N\\C")); // a new parent

    RegistryStore& reopened = Reopen();
    EXPECT_EQ(reopened.SubKeyNames(Hive::CurrentUser, "A"), (Names{"D", "E"}));
    EXPECT_EQ(reopened.ReadDWord(Hive::CurrentUser, "A\\E", "mid"), 1u);
    EXPECT_TRUE(reopened.SubKeyNames(Hive::CurrentUser, "A\\E").empty());
    EXPECT_EQ(reopened.ReadString(Hive::CurrentUser, "N\\C", "deep"), "x");
}

TEST_F(RegistryTest, WritingWithoutCreateNeedsTheKey) {
    EXPECT_FALSE(store.WriteString(Hive::CurrentUser, "Software\\New", "v", "x", false));
    EXPECT_FALSE(store.WriteDWord(Hive::CurrentUser, "Software\\New", "v", 1, false));
    EXPECT_FALSE(store.WriteBinary(Hive::CurrentUser, "Software\\New", "v", "x", false));
    EXPECT_FALSE(store.KeyExists(Hive::CurrentUser, "Software"));
    EXPECT_FALSE(store.DeleteValue(Hive::CurrentUser, "Software\\New", "v"));

    ASSERT_TRUE(store.CreateKey(Hive::CurrentUser, "Software\\New"));
    EXPECT_TRUE(store.WriteString(Hive::CurrentUser, "software\\new", "v", "x", false));
    EXPECT_TRUE(store.DeleteValue(Hive::CurrentUser, "Software\\New", "V"));
    EXPECT_FALSE(store.DeleteValue(Hive::CurrentUser, "Software\\New", "v"));
    EXPECT_TRUE(store.KeyExists(Hive::CurrentUser, "Software\\New"));
}

TEST_F(RegistryTest, HivesAreSeparateFilesAndPersist) {
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, "Software\\X", "", "user"));
    ASSERT_TRUE(store.WriteString(Hive::LocalMachine, "Software\\X", "", "machine"));
    ASSERT_TRUE(store.WriteString(Hive::ClassesRoot, ".qvs", "", "Quarn.Scheme"));
    ASSERT_TRUE(store.WriteString(Hive::ClassesRoot, "", "root value", "on the root"));
    ASSERT_TRUE(store.Flush());
    EXPECT_TRUE(std::filesystem::exists(folder_ / "HKCU.reg"));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "HKLM.reg"));
    EXPECT_TRUE(std::filesystem::exists(folder_ / "HKCR.reg"));
    EXPECT_EQ(std::filesystem::status(folder_ / "HKCU.reg").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    RegistryStore& reopened = Reopen();
    EXPECT_EQ(reopened.ReadString(Hive::CurrentUser, "Software\\X", ""), "user");
    EXPECT_EQ(reopened.ReadString(Hive::LocalMachine, "Software\\X", ""), "machine");
    EXPECT_EQ(reopened.ReadString(Hive::ClassesRoot, "\\.QVS", ""), "Quarn.Scheme");
    EXPECT_EQ(reopened.ReadString(Hive::ClassesRoot, "\\", "ROOT VALUE"), "on the root");
    EXPECT_FALSE(reopened.KeyExists(Hive::ClassesRoot, "Software"));
}

TEST_F(RegistryTest, EveryByteSurvivesInNamesStringsAndBinaryValues) {
    const std::string bytes = AllBytes();
    std::string keyName = bytes;
    std::erase(keyName, '\\'); // the one byte a key name cannot hold
    const std::string key = "Software\\" + keyName;
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, key, bytes, bytes));
    ASSERT_TRUE(store.WriteBinary(Hive::CurrentUser, key, "binary", bytes));
    ASSERT_TRUE(store.WriteBinary(Hive::CurrentUser, key, "empty", ""));
    ASSERT_TRUE(store.WriteString(Hive::CurrentUser, key, "blank", ""));
    ASSERT_TRUE(store.WriteDWord(Hive::CurrentUser, key, "max", 0xFFFFFFFF));

    RegistryStore& reopened = Reopen();
    EXPECT_EQ(reopened.SubKeyNames(Hive::CurrentUser, "Software"), Names{keyName});
    EXPECT_EQ(reopened.ValueNames(Hive::CurrentUser, key), (Names{bytes, "binary", "empty", "blank", "max"}));
    EXPECT_EQ(reopened.ReadString(Hive::CurrentUser, key, bytes), bytes);
    EXPECT_EQ(reopened.ReadBinary(Hive::CurrentUser, key, "binary"), bytes);
    EXPECT_EQ(reopened.ReadBinary(Hive::CurrentUser, key, "empty"), "");
    EXPECT_EQ(reopened.ReadString(Hive::CurrentUser, key, "blank"), "");
    EXPECT_EQ(reopened.ReadDWord(Hive::CurrentUser, key, "max"), 0xFFFFFFFFu);

    // The file stays plain printable text, one entry a line.
    for (const char c : FileText(folder_ / "HKCU.reg")) {
        ASSERT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F)) << int(static_cast<unsigned char>(c));
    }
}

TEST(RegistryInstance, LivesInTheConfigFolder) {
    const std::filesystem::path expected = XdgConfigHome() / "Velmoor" / "Quarn";
    EXPECT_EQ(RegistryStore::Instance().folder(), expected);
    EXPECT_EQ(&RegistryStore::Instance(), &RegistryStore::Instance());
}

} // namespace
} // namespace quarn
