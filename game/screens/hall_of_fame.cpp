// The hall-of-fame insertion at game over: find the row a result earns, make
// room, take the player's name, write the score and level texts, then save the
// table and read it back.
#include "game/data/data.h"
#include "game/screens/screens.h"
#include "pf/files.h"

#include <cstring>

namespace {

constexpr int ScoreTextDigits = 9;  // bytes 1..9 of the score text

// The final score from score cells 1..9 (cell 1 weighs 100,000,000).
int64_t FinalScore() {
    int64_t score = 0;
    for (int i = 1; i <= ScoreTextDigits; ++i) score = score * 10 + ScoreDigits[i];
    return score;
}

}  // namespace

int64_t HallOfFameValue(const HallOfFameRecord& record) {
    // 64 bits: a file may hold any byte in a digit place, and no sum of nine
    // places overflows it.
    int64_t value = 0;
    for (int i = 1; i <= ScoreTextDigits; ++i) {
        value *= 10;
        if (record.score[i] != 0) value += static_cast<int64_t>(record.score[i]) - '0';
    }
    return value;
}

int HallOfFamePlace(int64_t score) {
    for (int place = 0; place < HallOfFameSize; ++place)
        if (score >= HallOfFameValue(HallOfFame[place])) return place;
    return -1;
}

bool MakeHallOfFameRoom(int place) {
    if (place >= HallOfFameSize - 1) return true;  // the last row is overwritten
    const size_t bytes = sizeof(HallOfFameRecord) * static_cast<size_t>(HallOfFameSize - 1 - place);
    pf::HGLOBAL memory = pf::GlobalAlloc(pf::GMEM_MOVEABLE, bytes);
    if (memory == nullptr) return false;
    void* buffer = pf::GlobalLock(memory);
    if (buffer == nullptr) {
        pf::GlobalFree(memory);
        return false;
    }
    std::memcpy(buffer, &HallOfFame[place], bytes);
    std::memcpy(&HallOfFame[place + 1], buffer, bytes);
    pf::GlobalUnlock(memory);
    pf::GlobalFree(memory);
    return true;
}

void WriteScoreText(HallOfFameRecord& record, const int32_t digits[10]) {
    // Right-aligned digits; the places before the first significant digit
    // hold 0 bytes, so a score of 0 has no text at all.
    record.score[0] = 0;
    bool significant = false;
    for (int i = 1; i <= ScoreTextDigits; ++i) {
        if (digits[i] != 0) significant = true;
        record.score[i] = significant ? static_cast<uint8_t>('0' + digits[i]) : 0;
    }
}

void WriteLevelText(HallOfFameRecord& record, int32_t level) {
    std::memset(record.level, 0, sizeof record.level);
    if (level >= 1 && level <= 9) {
        record.level[3] = static_cast<uint8_t>('0' + level);
    } else if (level >= 10 && level <= 99) {
        record.level[2] = static_cast<uint8_t>('0' + level / 10);
        record.level[3] = static_cast<uint8_t>('0' + level % 10);
    }
    // Levels of 100 or more (and below 1) have no text.
}

int AddHallOfFameEntry() {
    const int place = HallOfFamePlace(FinalScore());
    if (place >= 0) {
        // No buffer: the entry is abandoned, nothing is saved.
        if (!MakeHallOfFameRoom(place)) return 0;
        HallOfFameRecord& record = HallOfFame[place];
        // The row keeps its old mask bytes; the save clears them.
        EnterHallOfFameName(record);
        WriteScoreText(record, ScoreDigits);
        WriteLevelText(record, CurrentLevel);
    }
    // Rewritten even when nothing was inserted (with zero masks).
    SaveHiscoreTable();
    return ReadHiscoreTable();
}
