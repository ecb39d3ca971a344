// Whole-game runs on the bench.
#include "game/game_runs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "game/shell/record.h"

namespace gametest {
namespace {

void PutU16(std::string& out, uint16_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>(value >> 8);
}

std::string Line(const std::string& op, const std::string& args) {
    return args.empty() ? op : op + "(" + args + ")";
}

}  // namespace

std::string StartGameScript() {
    return std::to_string(StartAt) + " key RETURN down\n" + std::to_string(StartReleasedAt) +
           " key RETURN up\n";
}

GameFolder::GameFolder() { vxtest::CopyData(dir_.path()); }

std::string RowLevel(uint16_t level, uint16_t columns, uint16_t x, uint16_t y,
                     uint16_t blocksToClear, uint16_t hitsToBreak) {
    constexpr uint16_t cellWidth = 46;
    constexpr uint16_t cellHeight = 20;
    std::string out = LevelFileID;
    PutU16(out, level);
    out += LevelDataID;
    PutU16(out, columns);
    PutU16(out, 1);  // rows
    PutU16(out, x);
    PutU16(out, y);
    PutU16(out, blocksToClear);
    out += LevelBlockDataID;
    PutU16(out, 1);  // block types
    PutU16(out, cellWidth);
    PutU16(out, cellHeight);
    PutU16(out, 1);  // frames
    PutU16(out, hitsToBreak);
    PutU16(out, 0);  // frame value
    for (int pixel = 0; pixel < cellWidth * cellHeight; ++pixel) out += "\x40\x90\xE0";  // b, g, r
    out += LevelLayoutID;
    for (int cell = 0; cell < columns; ++cell) PutU16(out, 1);
    return out;
}

void GameFolder::WriteTinyLevels() {
    // The ball starts at (110, 430) and moves 4 right and 6 up a frame: a
    // full row at y 280 is met within some twenty frames whatever the ship
    // does.
    for (uint16_t level = 1; level <= 4; ++level) {
        char name[16];
        std::snprintf(name, sizeof name, "Lvl%04u.ldf", static_cast<unsigned>(level));
        WriteFile(name, RowLevel(level, 11, 22, 280, 1, 1));
    }
}

void GameFolder::WriteLosingLevel() { WriteFile("Lvl0001.ldf", RowLevel(1, 11, 22, 280, 1, 255)); }

void GameFolder::WriteUnreachableHallOfFame() {
    HallOfFameRecord table[HallOfFameSize] = {};
    for (HallOfFameRecord& row : table) {
        for (int i = 1; i < 10; ++i) row.score[i] = '9';
        row.name[0] = 'Z';
        row.level[3] = '4';
    }
    WriteFile("hiscore.dat", std::string(reinterpret_cast<const char*>(table), sizeof table));
}

void GameFolder::WriteEmptyHallOfFame() {
    WriteFile("hiscore.dat", std::string(sizeof(HallOfFameRecord) * HallOfFameSize, '\0'));
}

void GameFolder::RemoveFile(const std::string& name) { std::filesystem::remove(data() / name); }

void GameFolder::WriteFile(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(vxtest::WriteWholeFile(data() / name, bytes)) << name;
}

pf::headless::Report RunScript(const GameFolder& folder, const std::string& script,
                               uint32_t maxMs) {
    pf::headless::Options options;
    options.dir = folder.str();
    options.maxMs = maxMs;
    pf::headless::Report report = vxtest::RunGame(options, script);
    EXPECT_EQ(report.startError, "");
    return report;
}

std::vector<std::string> AudioCalls(const pf::headless::Report& report) {
    std::vector<std::string> out;
    for (const auto& call : report.audioCalls) out.push_back(Line(call.op, call.args));
    return out;
}

std::vector<std::string> AudioCalls(const vxtest::HeadlessReport& report) {
    std::vector<std::string> out;
    for (const auto& [op, args] : report.audioCalls) out.push_back(Line(op, args));
    return out;
}

std::vector<std::string> OpenedOutput() {
    return {"OpenAudioDevice(device=0xFFFF format=0x0101 rate=44100)",
            "OpenAudioVoices(voices=32)"};
}

std::vector<std::string> Play(const std::string& file, unsigned module) {
    return {"LoadModuleFile(file=" + file + " offset=0)",
            "PlayModule(module=" + std::to_string(module) + ")"};
}

std::vector<std::string> StopHeld(unsigned module) {
    return {"StopModule", "FreeModuleFile(module=" + std::to_string(module) + ")"};
}

std::vector<std::string> ClosedOutput() { return {"CloseAudioVoices", "CloseAudioDevice"}; }

std::vector<std::string> Calls(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> out;
    for (const auto& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

std::string Describe(const pf::headless::Report& report) {
    std::string out = std::string("exit ") + (report.timedOut ? "timeout" : "returned") +
                      ", state " + std::to_string(report.fields.state) + ", score " +
                      report.fields.score + ", level " + std::to_string(report.fields.level) +
                      ", lives " + std::to_string(report.fields.lives) + ", " +
                      std::to_string(report.virtualMs) + " ms, " + std::to_string(report.flips) +
                      " flips";
    for (const auto& box : report.messageBoxes) out += "\nmessage box: " + box.text;
    return out;
}

bool Wrote(const pf::headless::Report& report, const std::string& file) {
    return std::find(report.filesWritten.begin(), report.filesWritten.end(), file) !=
           report.filesWritten.end();
}

}  // namespace gametest
