// Whole-game runs on the bench: a game folder with its own Data, the scripts
// that drive the real game through its screens, and the audio calls of a
// run as plain text lines for whole-sequence comparisons.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/support.h"

namespace gametest {

// Script times (virtual milliseconds). The intro ends a little after 3000 ms;
// RETURN at StartAt starts a game from the menu's start button.
constexpr uint32_t StartAt = 3500;
constexpr uint32_t StartReleasedAt = 3600;

// "3500 key RETURN down" / up: a new game from the menu.
std::string StartGameScript();

// A fresh folder holding a copy of the built Data folder.
class GameFolder {
public:
    GameFolder();
    std::string str() const { return dir_.str(); }
    std::filesystem::path data() const { return dir_ / "Data"; }
    std::filesystem::path hiscore() const { return data() / "hiscore.dat"; }

    // Levels 1 to 4 as one row of breakable blocks across the ball's opening
    // path, one block to clear: each level ends a few frames after it starts.
    void WriteTinyLevels();
    // Level 1 as one row of unbreakable blocks across the ball's opening
    // path: the ball comes back down well right of the ship, which stands
    // still without keys, so the three lives go within some ten seconds.
    void WriteLosingLevel();
    // A hall of fame that no game reaches (every score 999999999): no name
    // entry after a game.
    void WriteUnreachableHallOfFame();
    // A hall of fame of ten empty rows: every final score, 0 too, takes row 0.
    void WriteEmptyHallOfFame();
    void RemoveFile(const std::string& name);
    void WriteFile(const std::string& name, const std::string& bytes);

private:
    vxtest::TempDir dir_;
};

// Level file bytes: one row of `columns` cells of one block type (one frame,
// 46x20 pixels; 255 hits: never broken) at (x, y), every cell filled.
std::string RowLevel(uint16_t level, uint16_t columns, uint16_t x, uint16_t y,
                     uint16_t blocksToClear, uint16_t hitsToBreak);

// The run in this process, the game's record fresh before and after.
pf::headless::Report RunScript(const GameFolder& folder, const std::string& script,
                               uint32_t maxMs);

// Each audio call as "Op(args)", or "Op" when it has no arguments.
std::vector<std::string> AudioCalls(const pf::headless::Report& report);
std::vector<std::string> AudioCalls(const vxtest::HeadlessReport& report);

// The calls of the moments, as the report words them.
std::vector<std::string> OpenedOutput();  // OpenAudioDevice, OpenAudioVoices
std::vector<std::string> Play(const std::string& file, unsigned module);  // load + play
std::vector<std::string> StopHeld(unsigned module);  // StopModule + FreeModuleFile
std::vector<std::string> ClosedOutput();  // CloseAudioVoices, CloseAudioDevice

// Joins lists of calls.
std::vector<std::string> Calls(std::initializer_list<std::vector<std::string>> parts);

// The report's text for the failure message of an assertion.
std::string Describe(const pf::headless::Report& report);

bool Wrote(const pf::headless::Report& report, const std::string& file);

}  // namespace gametest
