// The channel's pure texts: system lines wrapped beside their prefix, the time stamp and the status-bar
// words of the link values.
#include "devices/channel/KanalTexte.h"

#include <gtest/gtest.h>

namespace quarn {
namespace {

using Pieces = std::vector<std::string>;

TEST(PromptZeilenTest, WrapsBesideThePrefix) {
    const std::string blanks(9, ' ');
    const std::string longWord(80, 'A');
    struct Row {
        const char* name;
        std::string text;
        Pieces pieces;
    };
    const Row rows[] = {
        {"short line", "Hallo", {"\r", "<Quarn>: Hallo\r", "\r"}},
        {"short line with its CR", "Hallo\r", {"\r", "<Quarn>: Hallo\r", "\r"}},
        {"breaks at the last blank that fits",
         "Die Datei wurde empfangen und unter dem Namen TEST.ZIP im Empfangsordner abgelegt, bitte pruefen.",
         {"\r", "<Quarn>: Die Datei wurde empfangen und unter dem Namen TEST.ZIP im\r",
          blanks + "Empfangsordner abgelegt, bitte pruefen.\r", "\r"}},
        {"a period inside a word is a break too",
         std::string(50, 'x') + "." + std::string(20, 'y'),
         {"\r", "<Quarn>: " + std::string(50, 'x') + ".\r", blanks + std::string(20, 'y') + "\r", "\r"}},
        {"long word without a break stays whole", longWord, {"\r", "<Quarn>: " + longWord + "\r", "\r"}},
        {"break only beyond the room: whole line",
         std::string(70, 'B') + " c",
         {"\r", "<Quarn>: " + std::string(70, 'B') + " c\r", "\r"}},
        {"several lines: prefix once, then blanks",
         "eins\rzwei\rdrei",
         {"\r", "<Quarn>: eins\r", blanks + "zwei\r", blanks + "drei\r", "\r"}},
        {"an empty line inside keeps its place",
         "eins\r\rzwei\r",
         {"\r", "<Quarn>: eins\r", blanks + "\r", blanks + "zwei\r", "\r"}},
    };
    for (const Row& row : rows) {
        const Pieces pieces = PromptZeilen(row.text);
        EXPECT_EQ(pieces, row.pieces) << row.name;
    }
}

TEST(KanalTexteTest, TimeStampIsDayMonthYearAndTime) {
    const QDateTime time(QDate(2024, 3, 7), QTime(9, 5, 2));
    EXPECT_EQ(ZeitStempel(time), "07.03.2024 09:05:02");
}

TEST(KanalTexteTest, LinkValuesInTheStatusBar) {
    struct Row {
        std::string (*format)(int);
        int value;
        const char* text;
    };
    const Row rows[] = {
        {OutstandingText, 5, "U5"},
        {OutstandingText, 99, "U99"},
        {OutstandingText, 150, "150"},
        {OutstandingText, -1, ""},
        {TriesText, 0, "T0"},
        {TriesText, -1, ""},
        {FrackText, 3, "F3"},
        {FrackText, 0, "dama"},
        {FrackText, -1, ""},
        {MaxframeText, 7, "M7"},
        {MaxframeText, -1, ""},
        {LinkStatusText, 0x17, "polling rbusy"},
        {LinkStatusText, 0x03, "frmr"},
        {LinkStatusText, 0x06, "reject"},
        {LinkStatusText, 0x08, "busy"},
        {LinkStatusText, 0x1E, "reject busy rbusy"},
        {LinkStatusText, 0x00, ""},
        {LinkStatusText, -1, ""},
        {BitrateText, 1500, "1.50kbit/s"},
        {BitrateText, 250000, "250kbit/s"},
        {BitrateText, 12, "12.0bit/s"},
        {BitrateText, 5, "5.00bit/s"},
        {BitrateText, 100, "100bit/s"},
        {BitrateText, 12345, "12.3kbit/s"},
        {BitrateText, 2000000, "2.00Mbit/s"},
        {BitrateText, 0, ""},
        {BitrateText, -3, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.format(row.value), row.text) << row.value;
    }
}

} // namespace
} // namespace quarn
