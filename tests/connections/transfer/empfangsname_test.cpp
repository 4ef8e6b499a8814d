// Received names stay inside the receive folder, whatever the remote station announces.
#include "connections/transfer/EmpfangsNameU.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarn {
namespace {

TEST(EmpfangsPfad, OnlyTheNamePartIsKeptInsideTheFolder) {
    const std::filesystem::path folder = "/recv";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SMALL.7pl", "/recv/SMALL.7pl"},
        {"../../.bashrc", "/recv/.bashrc"},
        {"C:\\temp\\x.txt", "/recv/x.txt"},
        {"/etc/passwd", "/recv/passwd"},
        {"a:b?.txt", "/recv/a_b_.txt"},
        {"..", "/recv/DL1ABC.dat"},
        {".", "/recv/DL1ABC.dat"},
        {"", "/recv/DL1ABC.dat"},
        {"dir/", "/recv/DL1ABC.dat"},
        {"dir\\..", "/recv/DL1ABC.dat"},
        {"M\xfc"
         "ll.txt",
         "/recv/M\xc3\xbcll.txt"},
    };
    for (const auto& [announced, stored] : cases) {
        EXPECT_EQ(EmpfangsPfad(folder, announced, "DL1ABC"), std::filesystem::path(stored)) << announced;
    }
    EXPECT_EQ(EmpfangsPfad(folder, "..", ""), std::filesystem::path("/recv/datei.dat"));
}

TEST(EmpfangsPfad, ANameTooLongForTheFileSystemKeepsItsExtension) {
    const std::filesystem::path folder = "/recv";
    const std::string umlaute(200, '\xfc'); // two bytes each once it is a file name
    std::string kurz;
    for (int i = 0; i < 125; ++i) {
        kurz += "\xc3\xbc";
    }
    const std::vector<std::pair<std::string, std::string>> cases = {
        {std::string(251, 'a') + ".bin", std::string(251, 'a') + ".bin"},
        {std::string(300, 'a') + ".bin", std::string(251, 'a') + ".bin"},
        {umlaute + ".txt", kurz + ".txt"},
        {"x." + std::string(300, 'e'), "x." + std::string(253, 'e')},
    };
    for (const auto& [announced, stored] : cases) {
        EXPECT_EQ(EmpfangsPfad(folder, announced, "DL1ABC"), folder / stored) << announced.size();
    }
}

} // namespace
} // namespace quarn
