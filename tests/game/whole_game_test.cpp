// Whole games of the real program on the bench: the road from the intro to
// the hall of fame and out, the window's close request on every screen, focus
// changes and a keyboard that stops answering.
#include <gtest/gtest.h>

#include "game/game_runs.h"
#include "game/shell/record.h"

namespace {

using namespace gametest;

constexpr size_t HallOfFameBytes = 280;
const std::string Menu = "Data//menu.mdf";
const std::string Track = "Data//track1.mdf";
const std::string HiscoreWritten = "Data/hiscore.dat";

std::string At(uint32_t ms, const std::string& event) {
    return std::to_string(ms) + " " + event + "\n";
}

// The score text of a hall-of-fame row for a nine-digit score: right-aligned
// in bytes 10 to 19, 0 bytes before the first significant digit.
std::string ScoreField(const std::string& nineDigits) {
    std::string field(10, '\0');
    const size_t first = nineDigits.find_first_not_of('0');
    if (first == std::string::npos) return field;
    const std::string digits = nineDigits.substr(first);
    field.replace(10 - digits.size(), digits.size(), digits);
    return field;
}

// A run ended through the quit state: returned, no message box, the hall of
// fame saved whole.
void ExpectQuitCleanly(const pf::headless::Report& report, const GameFolder& folder) {
    EXPECT_FALSE(report.timedOut) << Describe(report);
    EXPECT_EQ(report.result, 0);
    EXPECT_EQ(report.fields.state, GS_QUIT) << Describe(report);
    EXPECT_TRUE(report.messageBoxes.empty()) << Describe(report);
    EXPECT_TRUE(Wrote(report, HiscoreWritten)) << Describe(report);
    EXPECT_EQ(vxtest::ReadWholeFile(folder.hiscore()).size(), HallOfFameBytes);
}

// --- The road -------------------------------------------------------------

TEST(WholeGame, IntroMenuPlayGameOverNameEntryMenuQuit) {
    GameFolder folder;
    folder.WriteEmptyHallOfFame();  // any final score takes row 0
    // RETURN held from the menu on: it starts the game, does nothing in play,
    // and in the name entry picks the wheel's first letter ("U") at once.
    // RIGHT then steps to the end position with RETURN still held, which
    // finishes; releasing RETURN leaves the entry for the menu, where Escape
    // quits. No other key: the ball falls three times.
    std::string script = At(StartAt, "key RETURN down") + At(38000, "key RIGHT down") +
                         At(40000, "key RETURN up") + At(40000, "key RIGHT up") +
                         At(42000, "key ESCAPE down");
    const vxtest::HeadlessRun run =
        vxtest::RunHeadless({"--dir", folder.str(), "--max-ms", "90000"}, script);
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_TRUE(run.reportRead);
    const vxtest::HeadlessReport& report = run.report;
    EXPECT_EQ(report.exit, "returned");
    EXPECT_GE(report.virtualMs, 42000) << "the game ended before its quit key";
    EXPECT_LT(report.virtualMs, 43000);
    EXPECT_EQ(report.state, GS_QUIT);
    EXPECT_EQ(report.lives, 0) << "the game was not over by 38 s";
    EXPECT_GE(report.level, 1);
    EXPECT_LE(report.level, 4);
    ASSERT_EQ(report.score.size(), 9u);
    EXPECT_EQ(report.score.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(std::stol(report.score) % 250, 0) << report.score;  // no capsule bonus here
    EXPECT_TRUE(report.messageBoxes.empty());
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1),
                                         Play(Track, 2), StopHeld(2), Play(Menu, 3),
                                         ClosedOutput()}));

    // The saved table agrees with the report: row 0 holds the game's score,
    // the name chosen and the level reached; the other rows stay empty.
    const std::string table = vxtest::ReadWholeFile(folder.hiscore());
    ASSERT_EQ(table.size(), HallOfFameBytes);
    EXPECT_EQ(table.substr(10, 10), ScoreField(report.score));
    EXPECT_EQ(table.substr(20, 4), std::string("U\0\0\0", 4));
    EXPECT_EQ(table.substr(24, 4), std::string(3, '\0') + static_cast<char>('0' + report.level));
    EXPECT_EQ(table.substr(28), std::string(HallOfFameBytes - 28, '\0'));
    ASSERT_FALSE(report.filesWritten.empty());
    EXPECT_EQ(report.filesWritten[0], HiscoreWritten);
}

// --- The window's close request ---------------------------------------------

TEST(WholeGame, CloseInTheMenuQuitsAndSavesTheHallOfFame) {
    GameFolder folder;
    const std::string before = vxtest::ReadWholeFile(folder.hiscore());
    const auto report = RunScript(folder, At(5000, "close"), 30000);
    ExpectQuitCleanly(report, folder);
    EXPECT_LT(report.virtualMs, 5100u);
    EXPECT_EQ(vxtest::ReadWholeFile(folder.hiscore()), before);  // the table as read
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), ClosedOutput()}));
}

TEST(WholeGame, CloseInPlayQuitsAndSavesTheHallOfFame) {
    GameFolder folder;
    const std::string before = vxtest::ReadWholeFile(folder.hiscore());
    const auto report = RunScript(folder, StartGameScript() + At(6000, "close"), 30000);
    ExpectQuitCleanly(report, folder);
    EXPECT_LT(report.virtualMs, 6100u);
    EXPECT_EQ(vxtest::ReadWholeFile(folder.hiscore()), before);
    // The play music is still playing when the output closes.
    EXPECT_EQ(AudioCalls(report),
              Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1), Play(Track, 2), ClosedOutput()}));
}

TEST(WholeGame, CloseWhilePausedQuitsAndSavesTheHallOfFame) {
    GameFolder folder;
    const std::string pause = StartGameScript() + At(6000, "key P down") + At(6100, "key P up");
    const auto paused = RunScript(folder, pause, 7900);
    ASSERT_TRUE(paused.timedOut);
    ASSERT_EQ(paused.fields.state, GS_PAUSED) << Describe(paused);

    const auto report = RunScript(folder, pause + At(8000, "close"), 30000);
    ExpectQuitCleanly(report, folder);
    EXPECT_LT(report.virtualMs, 8100u);
    EXPECT_EQ(report.flips, paused.flips) << "nothing is drawn while paused";
}

TEST(WholeGame, CloseDuringTheNameEntryKeepsTheNameSoFarAndQuits) {
    GameFolder folder;
    folder.WriteEmptyHallOfFame();
    folder.WriteLosingLevel();
    // RETURN held: the entry has taken "U" and waits for more.
    const std::string script = At(StartAt, "key RETURN down");
    const auto entering = RunScript(folder, script, 13000);
    ASSERT_TRUE(entering.timedOut);
    ASSERT_EQ(entering.fields.lives, 0) << "the game was not over by 13 s: " << Describe(entering);
    ASSERT_FALSE(Wrote(entering, HiscoreWritten)) << "the name entry had already ended";

    const auto report = RunScript(folder, script + At(13000, "close"), 30000);
    ExpectQuitCleanly(report, folder);
    EXPECT_LT(report.virtualMs, 13100u);
    const std::string table = vxtest::ReadWholeFile(folder.hiscore());
    ASSERT_EQ(table.size(), HallOfFameBytes);
    EXPECT_EQ(table.substr(10, 10), ScoreField(report.fields.score));
    EXPECT_EQ(table.substr(20, 4), std::string("U\0\0\0", 4));
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1),
                                         Play(Track, 2), StopHeld(2), Play(Menu, 3),
                                         ClosedOutput()}));
}

// --- Focus ------------------------------------------------------------------

TEST(WholeGame, FocusLostAndGainedInTheMenuLeavesTheKeyboardWorking) {
    GameFolder folder;
    // After the focus comes back, DOWN selects quit and RETURN acts on it.
    const auto report =
        RunScript(folder,
            At(5000, "focus lost") + At(6000, "focus gained") + At(7000, "key DOWN down") +
                At(7100, "key DOWN up") + At(7500, "key RETURN down"),
            30000);
    ExpectQuitCleanly(report, folder);
    EXPECT_GE(report.virtualMs, 7500u);
    EXPECT_LT(report.virtualMs, 7600u);
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), ClosedOutput()}));
}

TEST(WholeGame, FocusLostAndGainedInPlayLeavesTheKeyboardWorking) {
    GameFolder folder;
    const auto report =
        RunScript(folder,
            StartGameScript() + At(5000, "focus lost") + At(6000, "focus gained") +
                At(7000, "key ESCAPE down") + At(7100, "key ESCAPE up") +
                At(9000, "key ESCAPE down"),
            30000);
    ExpectQuitCleanly(report, folder);
    EXPECT_GE(report.virtualMs, 9000u);
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1),
                                         Play(Track, 2), StopHeld(2), Play(Menu, 3),
                                         ClosedOutput()}));
}

// --- A keyboard that stops answering ------------------------------------------

TEST(WholeGame, KeyboardLostWhilePHeldEndsTheWait) {
    GameFolder folder;
    const std::string held = StartGameScript() + At(5000, "key P down");
    // The keyboard answering: the game waits for P's release until the close.
    const auto waiting = RunScript(folder, held + At(12000, "close"), 30000);
    ExpectQuitCleanly(waiting, folder);
    // Lost at 6000: the wait ends, P counts as released and the game is
    // paused (not playing on unattended); with the keyboard back, the P still
    // held and then released resumes play.
    const auto paused =
        RunScript(folder, held + At(6000, "keyboard lost") + At(12000, "close"), 30000);
    ExpectQuitCleanly(paused, folder);
    EXPECT_EQ(paused.flips, waiting.flips) << Describe(paused);
    const auto resumed = RunScript(
        folder, held + At(6000, "keyboard lost") + At(7000, "keyboard back") +
                    At(8000, "key P up") + At(12000, "close"),
        30000);
    ExpectQuitCleanly(resumed, folder);
    EXPECT_GT(resumed.flips, waiting.flips + 10) << Describe(resumed);
}

TEST(WholeGame, KeyboardLostWhileTheSecondPIsHeldEndsThePauseWait) {
    // Paused with P pressed and released; P pressed again and held keeps the
    // pause step polling for its release.
    GameFolder folder;
    const std::string held = StartGameScript() + At(5000, "key P down") + At(5100, "key P up") +
                             At(6000, "key P down");
    const auto waiting = RunScript(folder, held + At(12000, "close"), 30000);
    ExpectQuitCleanly(waiting, folder);
    const auto lost =
        RunScript(folder, held + At(7000, "keyboard lost") + At(12000, "close"), 30000);
    ExpectQuitCleanly(lost, folder);
    EXPECT_GT(lost.flips, waiting.flips + 10) << Describe(lost);
}

TEST(WholeGame, KeyboardBackAfterAPauseAnswersAgain) {
    GameFolder folder;
    const auto report =
        RunScript(folder,
            StartGameScript() + At(5000, "key P down") + At(6000, "keyboard lost") +
                At(7000, "key P up") + At(8000, "keyboard back") + At(9000, "key ESCAPE down") +
                At(9100, "key ESCAPE up") + At(11000, "key ESCAPE down"),
            30000);
    ExpectQuitCleanly(report, folder);
    EXPECT_GE(report.virtualMs, 11000u);
    EXPECT_EQ(AudioCalls(report), Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1),
                                         Play(Track, 2), StopHeld(2), Play(Menu, 3),
                                         ClosedOutput()}));
}

TEST(WholeGame, KeyboardLostWhileEscapeHeldEndsTheWait) {
    GameFolder folder;
    const std::string held = StartGameScript() + At(5000, "key ESCAPE down");
    const auto waiting = RunScript(folder, held + At(12000, "close"), 30000);
    ExpectQuitCleanly(waiting, folder);
    EXPECT_GE(waiting.virtualMs, 12000u);
    const auto lost =
        RunScript(folder, held + At(6000, "keyboard lost") + At(12000, "close"), 30000);
    ExpectQuitCleanly(lost, folder);
    // Out of the wait, the Escape that can no longer be read counts as
    // released: the menu runs its frames until the close instead of quitting
    // on the Escape it had last read.
    EXPECT_GE(lost.virtualMs, 12000u) << Describe(lost);
    EXPECT_GT(lost.flips, waiting.flips + 10) << Describe(lost);
    // The menu music had started before the wait, in both runs.
    const auto calls = Calls({OpenedOutput(), Play(Menu, 1), StopHeld(1), Play(Track, 2),
                              StopHeld(2), Play(Menu, 3), ClosedOutput()});
    EXPECT_EQ(AudioCalls(waiting), calls);
    EXPECT_EQ(AudioCalls(lost), calls);
}

}  // namespace
