// The hall-of-fame file "Data//hiscore.dat": the 280 bytes of HallOfFame,
// each text byte stored with an additive mask byte. Reading removes the
// mask; saving zeroes it and replaces the file in one step.
#include <cstddef>

#include "game/data/data.h"
#include "game/shell/shell.h"
#include "pf/files.h"

namespace {

constexpr const char* HiscoreFile = "Data//hiscore.dat";
constexpr size_t TableBytes = sizeof(HallOfFameRecord) * HallOfFameSize;
static_assert(TableBytes == 280);

// Applies sign * mask to the text bytes of the table whose offset is below
// limit: score byte j carries mask byte j, name byte j and level byte j both
// carry mask byte j (bytes wrap modulo 256).
void ApplyMask(int sign, size_t limit) {
    for (int r = 0; r < HallOfFameSize; ++r) {
        HallOfFameRecord& record = HallOfFame[r];
        const size_t base = sizeof(HallOfFameRecord) * static_cast<size_t>(r);
        auto apply = [&](uint8_t& byte, size_t offset, uint8_t mask) {
            if (base + offset < limit) byte = static_cast<uint8_t>(byte + sign * mask);
        };
        for (size_t j = 0; j < 10; ++j)
            apply(record.score[j], offsetof(HallOfFameRecord, score) + j, record.mask[j]);
        for (size_t j = 0; j < 4; ++j) {
            apply(record.name[j], offsetof(HallOfFameRecord, name) + j, record.mask[j]);
            apply(record.level[j], offsetof(HallOfFameRecord, level) + j, record.mask[j]);
        }
    }
}

}  // namespace

int ReadHiscoreTable() {
    pf::HANDLE file = pf::CreateFileA(HiscoreFile, pf::GENERIC_READ, 0, nullptr, pf::OPEN_EXISTING,
                                      pf::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == pf::INVALID_HANDLE_VALUE || file == nullptr)
        return ReportError("[ReadHiscoreTable] Unable to open hiscore table file\n");

    // A short file fills only its own length; the rest of the table keeps
    // what it held, and only the bytes read are unmasked.
    pf::DWORD read = 0;
    pf::ReadFile(file, HallOfFame, static_cast<pf::DWORD>(TableBytes), &read, nullptr);
    pf::CloseHandle(file);
    if (read > TableBytes) read = static_cast<pf::DWORD>(TableBytes);

    ApplyMask(-1, read);
    HallOfFameRead = 1;
    return 1;
}

int SaveHiscoreTable() {
    for (HallOfFameRecord& record : HallOfFame)
        for (uint8_t& mask : record.mask) mask = 0;
    ApplyMask(+1, TableBytes);  // with zero masks the text stays plain

    // Written beside the file and renamed into place: a failure at any point
    // leaves the previous hall of fame whole.
    if (!pf::ReplaceFileAtomically(HiscoreFile, HallOfFame, static_cast<pf::DWORD>(TableBytes)))
        return ReportError("[SaveHiscoreTable] Unable to open hiscore table file\n");
    return 1;
}

int SaveMissingHiscoreTable() {
    // Creating the file only where none exists tells a missing file from one
    // that exists but could not be read, in one step.
    pf::HANDLE file = pf::CreateFileA(HiscoreFile, pf::GENERIC_WRITE, 0, nullptr, pf::CREATE_NEW,
                                      pf::FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == pf::INVALID_HANDLE_VALUE || file == nullptr) return 0;
    pf::CloseHandle(file);
    return SaveHiscoreTable();
}
