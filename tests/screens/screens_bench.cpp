#include "screens_bench.h"

#include <cstring>

#include "game/shell/shell.h"
#include "game_fields.h"
#include "pf/window.h"

namespace screenstest {

namespace {

Marks currentMarks;

// WinMain with marks: the same start-up, loop and shutdown.
int MarkingEntry(pf::HINSTANCE instance, pf::HINSTANCE, char*, int showCommand) {
    if (InitGame(instance, showCommand)) {
        currentMarks.introStart = pf::GetTickCount();
        bool more = GameStep();
        currentMarks.introEnd = pf::GetTickCount();
        currentMarks.stateAfterIntro = GameState;
        while (more && GameStep()) {
            if (!currentMarks.gameOver && GameState == GS_GAME_OVER) {
                currentMarks.gameOver = true;
                currentMarks.gameOverTick = pf::GetTickCount();
            }
        }
    }
    ShutDownGame();
    return 0;
}

}  // namespace

HallOfFameRecord Row(uint32_t score, const std::string& name, int level, uint8_t mask) {
    HallOfFameRecord row = {};
    for (int i = 9; i >= 1 && score != 0; --i, score /= 10)
        row.score[i] = static_cast<uint8_t>('0' + score % 10);
    std::memcpy(row.name, name.data(), name.size() < 3 ? name.size() : 3);
    if (level >= 10) row.level[2] = static_cast<uint8_t>('0' + level / 10);
    row.level[3] = static_cast<uint8_t>('0' + level % 10);
    if (mask != 0) {
        for (int j = 0; j < 10; ++j) row.mask[j] = static_cast<uint8_t>(mask + j);
        for (int j = 0; j < 10; ++j) row.score[j] = static_cast<uint8_t>(row.score[j] + row.mask[j]);
        for (int j = 0; j < 4; ++j) {
            row.name[j] = static_cast<uint8_t>(row.name[j] + row.mask[j]);
            row.level[j] = static_cast<uint8_t>(row.level[j] + row.mask[j]);
        }
    }
    return row;
}

std::string TableBytes(const Table& table) {
    return std::string(reinterpret_cast<const char*>(table.data()), table.size() * sizeof(HallOfFameRecord));
}

void FrontEndTest::WriteTable(const Table& table) {
    ASSERT_EQ(table.size(), 10u);
    ASSERT_TRUE(vxtest::WriteWholeFile(DataFile("hiscore.dat"), TableBytes(table)));
}

pf::headless::Report FrontEndTest::Run(const std::string& script, uint32_t maxMs, uint32_t startTicks) {
    pf::headless::Options options;
    options.dir = dir.str();
    options.maxMs = maxMs;
    options.startTicks = startTicks;
    return vxtest::RunGame(options, script);
}

pf::headless::Report FrontEndTest::MarkedRun(const std::string& script, Marks* marks, uint32_t maxMs,
                                             uint32_t startTicks) {
    pf::headless::Options options;
    options.dir = dir.str();
    options.maxMs = maxMs;
    options.startTicks = startTicks;
    std::string error;
    EXPECT_TRUE(pf::headless::ParseScript(script, &options.script, &error)) << error;
    currentMarks = Marks{};
    Record = ProgramRecord{};
    pf::headless::Report report = pf::headless::Run(options, &MarkingEntry, &pf::headless::ReadGameFields);
    Record = ProgramRecord{};
    *marks = currentMarks;
    return report;
}

size_t RunEnd(const std::vector<uint64_t>& hashes, size_t from) {
    size_t i = from;
    while (i < hashes.size() && hashes[i] == hashes[from]) ++i;
    return i;
}

}  // namespace screenstest
