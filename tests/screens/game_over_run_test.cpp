// A whole game lost on purpose (the ship never moves, the ball falls three
// times), then the game-over step: the name entry on the wheel, the new row
// on the hall-of-fame page and the bytes of the file; a score that does not
// qualify; the keyboard lost and the window closed during the entry.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "screens_bench.h"

using namespace screenstest;

namespace {

// RETURN on the start button; nothing else until the game is over.
constexpr const char* StartGame = "5000 key RETURN down\n5060 key RETURN up\n";

// What every run of the lost game shares, measured once: when the game ends,
// its score, and the virtual time one pass of the name entry takes.
struct LostGame {
    uint32_t overAt = 0;  // ms from the start: the state became GS_GAME_OVER
    uint32_t score = 0;
    uint32_t pass = 0;  // ms per name-entry pass
    bool measured = false;
};

class GameOver : public FrontEndTest {
protected:
    void SetUp() override {
        FrontEndTest::SetUp();
        if (!lost.measured) Measure();
    }

    // The game ends the same way whatever the table holds. The default
    // table does not take its score, so the first run goes on in the menu;
    // an empty one takes any score, and two lengths of its name entry (left
    // waiting) give the passes per millisecond.
    void Measure() {
        Marks marks;
        const auto first = MarkedRun(StartGame, &marks, 200000);
        ASSERT_TRUE(marks.gameOver);
        lost.overAt = marks.gameOverTick;
        lost.score = static_cast<uint32_t>(std::stoul(first.fields.score));
        WriteTable(Table(10, HallOfFameRecord{}));
        const auto shorter = MarkedRun(StartGame, &marks, lost.overAt + 1000);
        const auto longer = MarkedRun(StartGame, &marks, lost.overAt + 2000);
        ASSERT_TRUE(shorter.timedOut);
        ASSERT_TRUE(longer.timedOut);
        const unsigned passes = longer.flips - shorter.flips;
        ASSERT_GT(passes, 0u);
        ASSERT_EQ(1000 % passes, 0u) << "uneven pass period";
        lost.pass = 1000 / passes;
        lost.measured = true;
        std::printf("game over at %u ms, score %u, %u ms per name-entry pass\n", lost.overAt,
                    lost.score, lost.pass);
    }

    // Builds a script of the name entry from T on: key presses that each
    // cover exactly `count` passes.
    struct Script {
        explicit Script(uint32_t start, uint32_t pass) : at(start), pass(pass) {}
        Script& Hold(const char* key, int count) {
            text << at << " key " << key << " down\n";
            at += pass * static_cast<uint32_t>(count);
            text << at << " key " << key << " up\n";
            at += 10 * pass;
            return *this;
        }
        Script& Down(const char* key) {
            text << at << " key " << key << " down\n";
            at += 50 * pass;
            return *this;
        }
        Script& Up(const char* key) { return Event(std::string("key ") + key + " up"); }
        Script& Event(const std::string& what) {
            text << at << " " << what << "\n";
            at += 10 * pass;
            return *this;
        }
        std::string str() const { return text.str(); }
        uint32_t at;
        uint32_t pass;
        std::ostringstream text;
    };

    Script NameEntry() const { return Script(lost.overAt + 300, lost.pass); }

    // Rows 0..3 well above, row 4 equal to the lost game's score, the rest
    // below it.
    Table TieTable() const {
        return {Row(120000, "VEX", 4), Row(96500, "ORI", 4), Row(78250, "K.T", 4),
                Row(61000, "NAX", 3),  Row(lost.score, "TIE", 2), Row(3000, "ZED", 1),
                Row(2000, "ACE", 1),   Row(1000, "B_O", 1),      Row(500, "LOW", 1),
                Row(250, "OUT", 1)};
    }

    static unsigned Count(const std::vector<std::pair<std::string, std::string>>& calls,
                          const std::string& args) {
        return static_cast<unsigned>(std::count_if(calls.begin(), calls.end(),
                                                   [&](const auto& c) { return c.second == args; }));
    }

    static LostGame lost;
};

LostGame GameOver::lost;

// The name AVS: U taken, LEFT 21 times (past A onto delete) deletes it,
// RIGHT once wraps to A, on to V and back to S, a fourth letter refused, then
// RETURN held onto the end position.
TEST_F(GameOver, NameEntryWritesTheNewRowAndThePageShowsIt) {
    ASSERT_TRUE(lost.measured);
    ASSERT_GT(lost.score, 0u);
    WriteTable(TieTable());
    Script s = NameEntry();
    s.Hold("RETURN", 1)                      // U
        .Hold("LEFT", 21).Hold("RETURN", 1)  // 20 - 21 wraps to delete: ""
        .Hold("RIGHT", 1).Hold("RETURN", 1)  // delete + 1 wraps to A: "A"
        .Hold("RIGHT", 21).Hold("RETURN", 1)  // V: "AV"
        .Hold("LEFT", 3).Hold("RETURN", 1)   // S: "AVS"
        .Hold("RIGHT", 1).Hold("RETURN", 1)  // T refused
        .Hold("RIGHT", 14)                   // past the space onto end
        .Down("RETURN")                      // finishes; held a while
        .Up("RETURN");
    const uint32_t released = s.at;
    // Escape once the hall-of-fame page is up again.
    const std::string script =
        StartGame + s.str() + std::to_string(released + 5000) + " key ESCAPE down\n";

    vxtest::TempDir frames;
    const auto run = vxtest::RunHeadless({"--dir", dir.str(), "--max-ms", "400000", "--frames",
                                          frames.str(), "--every", "1000000"},
                                         script);
    ASSERT_EQ(run.status, 0) << run.errors;
    ASSERT_TRUE(run.reportRead);
    EXPECT_EQ(run.report.exit, "returned");
    EXPECT_EQ(run.report.state, GS_QUIT);
    EXPECT_TRUE(run.report.messageBoxes.empty());
    // RETURN still held when the entry finished did not start another game.
    EXPECT_EQ(Count(run.report.audioCalls, "file=Data//track1.mdf offset=0"), 1u);
    EXPECT_EQ(Count(run.report.audioCalls, "file=Data//menu.mdf offset=0"), 2u);

    Table expected = TieTable();
    HallOfFameRecord added = Row(lost.score, "AVS", 1);
    expected.insert(expected.begin() + 4, added);
    expected.pop_back();
    const std::string bytes = HiscoreBytes();
    ASSERT_EQ(bytes.size(), 280u);
    EXPECT_EQ(bytes, TableBytes(expected));
    const HallOfFameRecord* rows = reinterpret_cast<const HallOfFameRecord*>(bytes.data());
    EXPECT_EQ(std::memcmp(rows[4].name, "AVS\0", 4), 0);
    EXPECT_EQ(std::memcmp(rows[5].name, "TIE\0", 4), 0);  // the tie went below
    for (int k = 0; k < 10; ++k)
        for (uint8_t m : rows[k].mask) EXPECT_EQ(m, 0);

    // The page at the end is the page of that table.
    const std::vector<std::string>& hashes = run.report.frameHashes;
    ASSERT_FALSE(hashes.empty());
    vxtest::TempDir other;
    vxtest::CopyData(other.path());
    ASSERT_TRUE(vxtest::WriteWholeFile(other / "Data" / "hiscore.dat", TableBytes(expected)));
    const auto page = vxtest::RunHeadless({"--dir", other.str()}, "8000 key ESCAPE down\n");
    ASSERT_FALSE(page.report.frameHashes.empty());
    EXPECT_EQ(hashes.back(), page.report.frameHashes.back());
}

TEST_F(GameOver, ScoreBelowAllTenChangesNothingButRewritesTheFilePlain) {
    Table plain, masked;
    for (int k = 0; k < 10; ++k) {
        plain.push_back(Row(900000 - 1000 * k, "HI" + std::string(1, 'A' + k), 4));
        masked.push_back(Row(900000 - 1000 * k, "HI" + std::string(1, 'A' + k), 4,
                             static_cast<uint8_t>(5 + k)));
    }
    WriteTable(masked);
    const std::string script =
        std::string(StartGame) + std::to_string(lost.overAt + 1500) + " key ESCAPE down\n";
    const auto run = vxtest::RunHeadless({"--dir", dir.str()}, script);
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.report.exit, "returned");
    // No name entry held the game: it quit from the menu at once.
    EXPECT_LT(run.report.virtualMs, lost.overAt + 1600);
    EXPECT_EQ(HiscoreBytes(), TableBytes(plain));
}

// The keyboard goes silent (the window lost the focus) while RETURN is held
// on the end position, and never comes back: the wait for the release ends,
// the row is saved, and the menu runs without taking the stale RETURN for a
// press.
TEST_F(GameOver, KeyboardLostWhileReturnIsHeldEndsTheEntry) {
    WriteTable(TieTable());
    Script s = NameEntry();
    s.Hold("RETURN", 1).Hold("RIGHT", 13).Down("RETURN").Event("keyboard lost");
    const uint32_t end = s.at + 3000;
    const auto run = vxtest::RunHeadless({"--dir", dir.str(), "--max-ms", std::to_string(end)},
                                         StartGame + s.str());
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.report.exit, "timeout");
    EXPECT_EQ(run.report.state, GS_MENU);
    EXPECT_EQ(Count(run.report.audioCalls, "file=Data//track1.mdf offset=0"), 1u);
    Table expected = TieTable();
    expected.insert(expected.begin() + 4, Row(lost.score, "U", 1));
    expected.pop_back();
    EXPECT_EQ(HiscoreBytes(), TableBytes(expected));
    // Menu frames went by after the entry.
    vxtest::TempDir other;
    vxtest::CopyData(other.path());
    const auto menu = vxtest::RunHeadless({"--dir", other.str()}, "4000 key ESCAPE down\n");
    ASSERT_FALSE(menu.report.frameHashes.empty());
    ASSERT_FALSE(run.report.frameHashes.empty());
    EXPECT_EQ(run.report.frameHashes.back(), menu.report.frameHashes.back());
}

TEST_F(GameOver, ClosingTheWindowDuringTheEntryKeepsTheNameSoFar) {
    WriteTable(TieTable());
    Script s = NameEntry();
    s.Hold("RETURN", 1).Hold("RIGHT", 1).Hold("RETURN", 1).Hold("RIGHT", 3).Event("close");
    const auto run = vxtest::RunHeadless({"--dir", dir.str(), "--max-ms", "400000"},
                                         StartGame + s.str());
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.report.exit, "returned");
    EXPECT_LT(run.report.virtualMs, s.at + 1000);
    Table expected = TieTable();
    expected.insert(expected.begin() + 4, Row(lost.score, "UV", 1));
    expected.pop_back();
    EXPECT_EQ(HiscoreBytes(), TableBytes(expected));
}

}  // namespace

namespace {

// The save after the entry fails: the file keeps the old table whole, the
// read that follows brings the old rows back, and the failure is shown at
// the end.
TEST_F(GameOver, FailedSaveAfterTheEntryLeavesTheOldFileWhole) {
    WriteTable(TieTable());
    Script s = NameEntry();
    s.Hold("RETURN", 1).Hold("RIGHT", 13).Hold("RETURN", 1).Event("close");
    const auto run = vxtest::RunHeadless(
        {"--dir", dir.str(), "--max-ms", "400000", "--fail", "ReplaceFileAtomically:1:0"},
        StartGame + s.str());
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(run.report.exit, "returned");
    EXPECT_EQ(HiscoreBytes(), TableBytes(TieTable()));
    ASSERT_FALSE(run.report.messageBoxes.empty());
    EXPECT_EQ(run.report.messageBoxes.front().second,
              "[SaveHiscoreTable] Unable to open hiscore table file\n");
}

}  // namespace
