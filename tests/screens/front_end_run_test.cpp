// The front end on the real game and the default Data: the intro's wait, the
// attract loop's pages, the menu keys, and starts that fail before the hall
// of fame was read leaving the player's file alone.
#include <algorithm>
#include <filesystem>

#include "screens_bench.h"

using namespace screenstest;

namespace {

// Flips 1 and 2 are the display set-up's, flip 3 the intro's logos.
constexpr size_t IntroFrame = 2;
constexpr size_t FirstMenuFrame = 3;
constexpr size_t PageFrames = 121;

bool HasCall(const pf::headless::Report& report, const std::string& op, const std::string& args) {
    return std::any_of(report.audioCalls.begin(), report.audioCalls.end(),
                       [&](const auto& c) { return c.op == op && c.args == args; });
}

using FrontEnd = FrontEndTest;

TEST_F(FrontEnd, IntroShowsTheLogosForThreeSecondsThenTheMenu) {
    Marks marks;
    const auto report = MarkedRun("5000 key ESCAPE down\n", &marks);
    ASSERT_FALSE(report.timedOut);
    EXPECT_EQ(marks.stateAfterIntro, GS_MENU);
    const uint32_t took = marks.introEnd - marks.introStart;
    EXPECT_GE(took, 3000u);
    EXPECT_LT(took, 3100u);
    ASSERT_GT(report.frameHashes.size(), FirstMenuFrame);
    EXPECT_NE(report.frameHashes[IntroFrame], report.frameHashes[IntroFrame - 1]);  // logos
    EXPECT_NE(report.frameHashes[FirstMenuFrame], report.frameHashes[IntroFrame]);
    // Menu music once the menu set is in.
    ASSERT_GE(report.audioCalls.size(), 4u);
    EXPECT_EQ(report.audioCalls[2].op, "LoadModuleFile");
    EXPECT_EQ(report.audioCalls[2].args, "file=Data//menu.mdf offset=0");
    EXPECT_EQ(report.audioCalls[3].op, "PlayModule");
}

TEST_F(FrontEnd, IntroWaitEndsAcrossTheTickCountersWrap) {
    Marks marks;
    const auto report = MarkedRun("5000 key ESCAPE down\n", &marks, 600000, 0xFFFFFFFFu - 1500u);
    ASSERT_FALSE(report.timedOut);
    EXPECT_EQ(marks.stateAfterIntro, GS_MENU);
    EXPECT_LT(marks.introEnd, marks.introStart);  // the counter wrapped meanwhile
    const uint32_t took = marks.introEnd - marks.introStart;
    EXPECT_GE(took, 3000u);
    EXPECT_LT(took, 3100u);
}

// The logo frame is flipped, then the three seconds pass, then the menu set
// fails: a failed start that never read the hall of fame keeps the file.
TEST_F(FrontEnd, MissingMenuPictureAfterTheWaitLeavesTheHallOfFameUntouched) {
    const std::string before = HiscoreBytes();
    ASSERT_EQ(before.size(), 280u);
    std::filesystem::remove(DataFile("logo.spr"));
    Marks marks;
    const auto report = MarkedRun("", &marks);
    ASSERT_FALSE(report.timedOut);
    EXPECT_EQ(report.flips, 3u);
    EXPECT_GE(marks.introEnd - marks.introStart, 3000u);
    EXPECT_EQ(marks.stateAfterIntro, GS_QUIT);
    ASSERT_FALSE(report.messageBoxes.empty());
    EXPECT_EQ(report.messageBoxes.back().text, "[ReadMenuData] Unable to open file logo.spr\n");
    EXPECT_FALSE(HasCall(report, "LoadModuleFile", "file=Data//menu.mdf offset=0"));
    EXPECT_EQ(HiscoreBytes(), before);
    for (const std::string& written : report.filesWritten)
        EXPECT_EQ(written.find("hiscore"), std::string::npos) << written;
}

TEST_F(FrontEnd, MissingIntroLogoQuitsWithTheLoadersMessageAndKeepsTheFile) {
    const std::string before = HiscoreBytes();
    std::filesystem::remove(DataFile("logo2.spr"));
    const auto report = Run("");
    ASSERT_FALSE(report.timedOut);
    ASSERT_FALSE(report.messageBoxes.empty());
    EXPECT_EQ(report.messageBoxes.back().text, "[ReadSPRFile] Unable to open file\n");
    EXPECT_EQ(report.flips, 2u);  // the logos never appeared
    EXPECT_FALSE(HasCall(report, "LoadModuleFile", "file=Data//menu.mdf offset=0"));
    EXPECT_EQ(HiscoreBytes(), before);
}

// A missing hall-of-fame file is an error, but the quit writes the empty
// table, so the next start works; a file that exists but cannot be read (here
// a folder in its place) is never replaced.
TEST_F(FrontEnd, MissingHallOfFameFileIsAnErrorOnceAndTheNextStartWorks) {
    std::filesystem::remove(DataFile("hiscore.dat"));
    const auto report = Run("");
    ASSERT_FALSE(report.timedOut);
    ASSERT_FALSE(report.messageBoxes.empty());
    EXPECT_EQ(report.messageBoxes.front().text, "[ReadMenuData] Unable to open file hiscore.dat\n");
    EXPECT_EQ(report.messageBoxes.back().text, "[ReadMenuData] Unable to open file hiscore.dat\n");
    EXPECT_EQ(HiscoreBytes(), std::string(280, '\0'));

    const auto next = Run("5000 key ESCAPE down\n");
    ASSERT_FALSE(next.timedOut);
    EXPECT_TRUE(next.messageBoxes.empty());
    EXPECT_TRUE(HasCall(next, "LoadModuleFile", "file=Data//menu.mdf offset=0"));
    EXPECT_EQ(HiscoreBytes(), std::string(280, '\0'));

    std::filesystem::remove(DataFile("hiscore.dat"));
    std::filesystem::create_directory(DataFile("hiscore.dat"));
    const auto unreadable = Run("");
    ASSERT_FALSE(unreadable.timedOut);
    ASSERT_FALSE(unreadable.messageBoxes.empty());
    EXPECT_EQ(unreadable.messageBoxes.back().text,
              "[ReadMenuData] Unable to open file hiscore.dat\n");
    EXPECT_TRUE(std::filesystem::is_directory(DataFile("hiscore.dat")));
    EXPECT_TRUE(std::filesystem::is_empty(DataFile("hiscore.dat")));
}

TEST_F(FrontEnd, PagesAlternateEvery121FramesAndEachIsShownWhole) {
    const auto report = Run("21000 key ESCAPE down\n");
    ASSERT_FALSE(report.timedOut);
    const auto& h = report.frameHashes;
    ASSERT_GT(h.size(), FirstMenuFrame + 4 * PageFrames);
    const uint64_t menu = h[FirstMenuFrame];
    const uint64_t hall = h[FirstMenuFrame + PageFrames];
    EXPECT_NE(menu, hall);
    for (int page = 0; page < 4; ++page) {
        const size_t start = FirstMenuFrame + page * PageFrames;
        EXPECT_EQ(h[start], page % 2 == 0 ? menu : hall) << page;
        EXPECT_EQ(RunEnd(h, start), start + PageFrames) << page;
    }
}

TEST_F(FrontEnd, UpOnTheFirstButtonDoesNothingAtAll) {
    const auto plain = Run("12000 key ESCAPE down\n");
    // Held across both pages.
    const auto up = Run("4000 key UP down\n11000 key UP up\n12000 key ESCAPE down\n");
    EXPECT_EQ(up.frameHashes, plain.frameHashes);
}

TEST_F(FrontEnd, DownOnTheLastButtonDoesNotHoldBackThePages) {
    const auto plain = Run("12000 key ESCAPE down\n");
    const auto down = Run("4000 key DOWN down\n30000 key ESCAPE down\n");
    const auto& h = down.frameHashes;
    const uint64_t menu = plain.frameHashes[FirstMenuFrame];
    const uint64_t hall = plain.frameHashes[FirstMenuFrame + PageFrames];
    // The frame that read DOWN still shows the start button chosen; from the
    // next one the quit button is, and the pages go on alternating although
    // DOWN stays down.
    const size_t quitPage = RunEnd(h, FirstMenuFrame);
    ASSERT_LT(quitPage, FirstMenuFrame + PageFrames);
    const uint64_t quit = h[quitPage];
    EXPECT_NE(quit, menu);
    EXPECT_NE(quit, hall);
    EXPECT_EQ(RunEnd(h, quitPage), quitPage + PageFrames);
    EXPECT_EQ(h[quitPage + PageFrames], hall);
    EXPECT_EQ(RunEnd(h, quitPage + PageFrames), quitPage + 2 * PageFrames);
    EXPECT_EQ(h[quitPage + 2 * PageFrames], quit);
    EXPECT_EQ(RunEnd(h, quitPage + 2 * PageFrames), quitPage + 3 * PageFrames);
}

TEST_F(FrontEnd, ReturnOnTheHallOfFamePageShowsTheMenuThenStartsTheGame) {
    const auto plain = Run("12000 key ESCAPE down\n");
    const uint64_t menu = plain.frameHashes[FirstMenuFrame];
    const uint64_t hall = plain.frameHashes[FirstMenuFrame + PageFrames];
    // Held from the middle of the hall-of-fame page.
    const auto report = Run("8000 key RETURN down\n8300 key RETURN up\n", 12000);
    EXPECT_TRUE(report.timedOut);
    EXPECT_EQ(report.fields.state, GS_PLAYING);
    const auto& h = report.frameHashes;
    const size_t hallStart = FirstMenuFrame + PageFrames;
    ASSERT_EQ(h[hallStart], hall);
    const size_t back = RunEnd(h, hallStart);
    ASSERT_LT(back + 1, h.size());
    EXPECT_LT(back, hallStart + PageFrames);  // cut short by RETURN
    EXPECT_EQ(h[back], menu);                 // one menu frame ...
    EXPECT_NE(h[back + 1], menu);             // ... then play
    EXPECT_NE(h[back + 1], hall);
    EXPECT_TRUE(HasCall(report, "StopModule", ""));
    EXPECT_TRUE(HasCall(report, "LoadModuleFile", "file=Data//track1.mdf offset=0"));
}

TEST_F(FrontEnd, ReturnOnTheStartButtonWinsOverEscapeInTheSameFrame) {
    const auto report = Run("5000 key RETURN down\n5000 key ESCAPE down\n", 5500);
    EXPECT_TRUE(report.timedOut);  // did not quit
    EXPECT_TRUE(HasCall(report, "LoadModuleFile", "file=Data//track1.mdf offset=0"));
}

TEST_F(FrontEnd, ReturnOnTheQuitButtonQuits) {
    const std::string before = HiscoreBytes();
    const auto report = Run("4000 key DOWN down\n4100 key DOWN up\n5000 key RETURN down\n");
    ASSERT_FALSE(report.timedOut);
    EXPECT_EQ(report.fields.state, GS_QUIT);
    EXPECT_TRUE(report.messageBoxes.empty());
    EXPECT_FALSE(HasCall(report, "LoadModuleFile", "file=Data//track1.mdf offset=0"));
    EXPECT_LT(report.virtualMs, 5100u);
    EXPECT_EQ(HiscoreBytes(), before);  // saved on the way out, the same table
}

TEST_F(FrontEnd, EscapeQuitsFromBothPagesAndTheTableIsSaved) {
    const std::string before = HiscoreBytes();
    const auto plain = Run("12000 key ESCAPE down\n");
    const uint64_t menu = plain.frameHashes[FirstMenuFrame];
    const uint64_t hall = plain.frameHashes[FirstMenuFrame + PageFrames];

    const auto fromMenu = Run("5000 key ESCAPE down\n");
    ASSERT_FALSE(fromMenu.timedOut);
    EXPECT_EQ(fromMenu.frameHashes.back(), menu);
    EXPECT_LT(fromMenu.virtualMs, 5100u);

    const auto fromHall = Run("8000 key ESCAPE down\n");
    ASSERT_FALSE(fromHall.timedOut);
    EXPECT_EQ(fromHall.frameHashes.back(), hall);
    EXPECT_LT(fromHall.virtualMs, 8100u);
    EXPECT_TRUE(fromHall.messageBoxes.empty());
    ASSERT_FALSE(fromHall.filesWritten.empty());
    EXPECT_NE(fromHall.filesWritten.back().find("hiscore.dat"), std::string::npos);
    EXPECT_EQ(HiscoreBytes(), before);
}

TEST_F(FrontEnd, MaskedFileReadsBackPlainAndIsSavedPlain) {
    Table plainTable, maskedTable;
    for (int k = 0; k < 10; ++k) {
        const uint32_t score = 90000u - 7250u * static_cast<uint32_t>(k);
        const std::string name = std::string(1, static_cast<char>('A' + k)) + "Q" + std::string(1, static_cast<char>('Z' - k));
        plainTable.push_back(Row(score, name, 1 + k % 4));
        maskedTable.push_back(Row(score, name, 1 + k % 4, static_cast<uint8_t>(17 * k + 3)));
    }
    ASSERT_NE(TableBytes(plainTable), TableBytes(maskedTable));
    WriteTable(plainTable);
    const auto plain = Run("8000 key ESCAPE down\n");
    WriteTable(maskedTable);
    const auto masked = Run("8000 key ESCAPE down\n");
    EXPECT_EQ(masked.frameHashes.back(), plain.frameHashes.back());  // the same page
    EXPECT_EQ(HiscoreBytes(), TableBytes(plainTable));
}

}  // namespace
