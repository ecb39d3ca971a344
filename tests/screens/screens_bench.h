// What the front-end tests share: a scratch folder holding a copy of the
// built Data folder, hall-of-fame tables written and read as bytes, and a
// run of the real game on the bench that also marks the moments the screens
// tests need (the intro step's start and end, the game's end).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "game/shell/record.h"
#include "support/support.h"

namespace screenstest {

using Table = std::vector<HallOfFameRecord>;  // ten rows

// A row: score value, name, level, every text byte masked with mask.
HallOfFameRecord Row(uint32_t score, const std::string& name, int level, uint8_t mask = 0);
std::string TableBytes(const Table& table);

// Ticks read around the first GameStep (the intro) and when the state first
// became GS_GAME_OVER, in the last MarkedRun.
struct Marks {
    uint32_t introStart = 0;
    uint32_t introEnd = 0;
    int32_t stateAfterIntro = -1;
    bool gameOver = false;
    uint32_t gameOverTick = 0;
};

class FrontEndTest : public ::testing::Test {
protected:
    void SetUp() override { vxtest::CopyData(dir.path()); }

    std::filesystem::path DataFile(const std::string& name) const { return dir / "Data" / name; }
    void WriteTable(const Table& table);
    std::string HiscoreBytes() const { return vxtest::ReadWholeFile(DataFile("hiscore.dat")); }

    // The game in process with the script; options.dir is this folder.
    pf::headless::Report Run(const std::string& script, uint32_t maxMs = 600000,
                             uint32_t startTicks = 0);
    // The same with the marks of the entry taken.
    pf::headless::Report MarkedRun(const std::string& script, Marks* marks,
                                   uint32_t maxMs = 600000, uint32_t startTicks = 0);

    vxtest::TempDir dir;
};

// The first index at or after from whose hash differs from hashes[from].
size_t RunEnd(const std::vector<uint64_t>& hashes, size_t from);

}  // namespace screenstest
