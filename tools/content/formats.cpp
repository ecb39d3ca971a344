#include "tools/content/formats.h"

#include <cstring>

namespace vxc {

namespace {

void PutU16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(uint8_t(v & 0xFF));
    out.push_back(uint8_t((v >> 8) & 0xFF));
}
void PutId(std::vector<uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }
void PutPixels(std::vector<uint8_t>& out, const Image& img) {
    for (size_t i = 0, n = size_t(img.w) * img.h; i < n; ++i) {
        const uint8_t* p = &img.rgb[i * 3];
        out.push_back(p[2]);
        out.push_back(p[1]);
        out.push_back(p[0]);
    }
}

// Reads forward through a byte buffer and never past its end.
struct Reader {
    const std::vector<uint8_t>& b;
    size_t pos = 0;
    bool Has(size_t n) const { return n <= b.size() - pos; }
    uint16_t U16() {
        uint16_t v = uint16_t(b[pos] | (b[pos + 1] << 8));
        pos += 2;
        return v;
    }
    bool Id(const char* id) {
        bool ok = std::memcmp(&b[pos], id, 4) == 0;
        pos += 4;
        return ok;
    }
    void Pixels(Image& img) {
        for (size_t i = 0, n = size_t(img.w) * img.h; i < n; ++i) {
            uint8_t* d = &img.rgb[i * 3];
            d[2] = b[pos]; d[1] = b[pos + 1]; d[0] = b[pos + 2];
            pos += 3;
        }
    }
};

}  // namespace

std::vector<uint8_t> EncodeSprite(const Picture& pic, bool fontOrder) {
    std::vector<uint8_t> out;
    out.reserve(8 + pic.img.rgb.size());
    if (fontOrder) {
        PutU16(out, unsigned(pic.x)); PutU16(out, unsigned(pic.y));
        PutU16(out, unsigned(pic.img.w)); PutU16(out, unsigned(pic.img.h));
    } else {
        PutU16(out, unsigned(pic.img.w)); PutU16(out, unsigned(pic.img.h));
        PutU16(out, unsigned(pic.x)); PutU16(out, unsigned(pic.y));
    }
    PutPixels(out, pic.img);
    return out;
}

bool DecodeSprite(const std::vector<uint8_t>& bytes, bool fontOrder, Picture& out, std::string& error) {
    Reader r{bytes};
    if (!r.Has(8)) { error = "file too short for its 8-byte header"; return false; }
    uint16_t a = r.U16(), b = r.U16(), c = r.U16(), d = r.U16();
    int w = fontOrder ? c : a, h = fontOrder ? d : b;
    int x = fontOrder ? a : c, y = fontOrder ? b : d;
    if (!r.Has(size_t(w) * h * 3)) {
        error = "file too short for a " + std::to_string(w) + "x" + std::to_string(h) + " picture";
        return false;
    }
    out.x = x;
    out.y = y;
    out.img = Image(w, h);
    r.Pixels(out.img);
    return true;
}

int LevelData::BreakableBlocks() const {
    int n = 0;
    for (uint16_t c : cells) {
        int t = c & 0xFF;
        if (t != 0 && t <= int(types.size()) && types[t - 1].hitsToBreak != 255) ++n;
    }
    return n;
}

bool EncodeLevel(const LevelData& lv, std::vector<uint8_t>& out, std::string& error) {
    if (lv.columns == 0 || lv.rows == 0 || lv.columns * lv.rows > int(LevelMaxCells)) {
        error = "layout must have 1 to 1000 cells";
        return false;
    }
    if (lv.cells.size() != size_t(lv.columns) * lv.rows) { error = "cell count does not match the grid"; return false; }
    if (lv.x > ScreenWidth || lv.y > ScreenHeight) { error = "layout position out of range"; return false; }
    if (lv.types.empty() || lv.types.size() > MaxBlockTypes) { error = "a level needs 1 to 20 block types"; return false; }
    if (lv.cellWidth == 0 || lv.cellHeight == 0) { error = "cell size must not be 0"; return false; }
    for (size_t t = 0; t < lv.types.size(); ++t) {
        const BlockTypeData& bt = lv.types[t];
        if (bt.frames.size() > MaxBlockFrames) { error = "block type " + std::to_string(t) + " has more than 10 frames"; return false; }
        if (bt.frameValues.size() != bt.frames.size()) { error = "frame values do not match frames"; return false; }
        for (const Image& f : bt.frames)
            if (f.w != lv.cellWidth || f.h != lv.cellHeight) {
                error = "block type " + std::to_string(t) + ": frame is not the cell size";
                return false;
            }
    }
    for (uint16_t c : lv.cells) {
        int t = c & 0xFF;
        if (t > int(lv.types.size())) { error = "a cell names a block type that does not exist"; return false; }
        if (t != 0 && lv.types[t - 1].frames.empty()) { error = "a cell names a block type with no frames"; return false; }
    }
    out.clear();
    PutId(out, LevelFileID);
    PutU16(out, lv.number);
    PutId(out, LevelDataID);
    PutU16(out, lv.columns); PutU16(out, lv.rows);
    PutU16(out, lv.x); PutU16(out, lv.y);
    PutU16(out, lv.blocksToClear);
    PutId(out, LevelBlockDataID);
    PutU16(out, unsigned(lv.types.size()));
    PutU16(out, lv.cellWidth); PutU16(out, lv.cellHeight);
    for (const BlockTypeData& bt : lv.types) {
        PutU16(out, unsigned(bt.frames.size()));
        PutU16(out, bt.hitsToBreak);
        for (size_t k = 0; k < bt.frames.size(); ++k) {
            PutU16(out, bt.frameValues[k]);
            PutPixels(out, bt.frames[k]);
        }
    }
    PutId(out, LevelLayoutID);
    for (uint16_t c : lv.cells) PutU16(out, c);
    return true;
}

bool DecodeLevel(const std::vector<uint8_t>& bytes, LevelData& lv, std::string& error) {
    Reader r{bytes};
    if (!r.Has(LevelHeadBytes)) { error = "file too short for the level head"; return false; }
    if (!r.Id(LevelFileID)) { error = "file ID is not ALDF"; return false; }
    lv.number = r.U16();
    if (!r.Id(LevelDataID)) { error = "level data chunk ID is not BLVD"; return false; }
    lv.columns = r.U16(); lv.rows = r.U16();
    if (lv.columns == 0 || lv.rows == 0 || unsigned(lv.columns) * lv.rows > int(LevelMaxCells)) {
        error = "layout array size out of range";
        return false;
    }
    lv.x = r.U16(); lv.y = r.U16();
    if (lv.x > ScreenWidth || lv.y > ScreenHeight) { error = "layout coordinates out of range"; return false; }
    lv.blocksToClear = r.U16();
    if (!r.Id(LevelBlockDataID)) { error = "block data chunk ID is not BLDA"; return false; }
    unsigned count = r.U16();
    if (count == 0 || count > MaxBlockTypes) { error = "block type count must be 1 to 20"; return false; }
    lv.cellWidth = r.U16(); lv.cellHeight = r.U16();
    const size_t frameBytes = size_t(lv.cellWidth) * lv.cellHeight * 3;
    lv.types.assign(count, {});
    for (unsigned t = 0; t < count; ++t) {
        if (!r.Has(4)) { error = "file ends inside block type " + std::to_string(t); return false; }
        unsigned frames = r.U16();
        BlockTypeData& bt = lv.types[t];
        bt.hitsToBreak = r.U16();
        if (frames > MaxBlockFrames) { error = "block type " + std::to_string(t) + " has more than 10 frames"; return false; }
        for (unsigned k = 0; k < frames; ++k) {
            if (!r.Has(2 + frameBytes)) { error = "file ends inside a frame of block type " + std::to_string(t); return false; }
            bt.frameValues.push_back(r.U16());
            Image img(lv.cellWidth, lv.cellHeight);
            r.Pixels(img);
            bt.frames.push_back(std::move(img));
        }
    }
    const size_t ncells = size_t(lv.columns) * lv.rows;
    if (!r.Has(4)) { error = "file ends before the layout chunk"; return false; }
    if (!r.Id(LevelLayoutID)) { error = "level layout data chunk ID is not LLOD"; return false; }
    if (!r.Has(ncells * 2)) { error = "file ends inside the layout cells"; return false; }
    lv.cells.resize(ncells);
    for (size_t i = 0; i < ncells; ++i) lv.cells[i] = r.U16();
    for (uint16_t c : lv.cells) {
        int t = c & 0xFF;
        if (t > int(count)) { error = "a cell names a block type that does not exist"; return false; }
        if (t != 0 && lv.types[t - 1].frames.empty()) { error = "a cell names a block type with no frames"; return false; }
    }
    return true;
}

bool IsWheelCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || c == '.' || c == ',' || c == '-' || c == '_' || c == '[' || c == ']' || c == ' ';
}

bool EncodeHallOfFame(const std::vector<HallOfFameEntry>& entries, std::vector<uint8_t>& out, std::string& error) {
    if (entries.size() != 10) { error = "the hall of fame holds exactly 10 entries"; return false; }
    out.assign(HallOfFameFileBytes, 0);
    for (size_t k = 0; k < entries.size(); ++k) {
        const HallOfFameEntry& e = entries[k];
        uint8_t* rec = &out[k * HallOfFameRecordBytes];
        if (e.score > 999999999u) { error = "score above 999,999,999"; return false; }
        if (e.name.size() > 3) { error = "name \"" + e.name + "\" longer than 3 characters"; return false; }
        for (char c : e.name)
            if (!IsWheelCharacter(c)) { error = "name \"" + e.name + "\" has a character not on the name wheel"; return false; }
        // Score: right-aligned decimal in bytes 11-19, zero bytes before it.
        std::string digits = e.score ? std::to_string(e.score) : std::string();
        std::memcpy(rec + 20 - digits.size(), digits.data(), digits.size());
        std::memcpy(rec + 20, e.name.data(), e.name.size());
        if (e.level >= 1 && e.level <= 9) {
            rec[27] = uint8_t('0' + e.level);
        } else if (e.level >= 10 && e.level <= 99) {
            rec[26] = uint8_t('0' + e.level / 10);
            rec[27] = uint8_t('0' + e.level % 10);
        }
    }
    return true;
}

bool DecodeHallOfFame(const std::vector<uint8_t>& bytes, std::vector<HallOfFameEntry>& out, std::string& error) {
    if (bytes.size() < HallOfFameFileBytes) { error = "hall-of-fame file shorter than 280 bytes"; return false; }
    out.clear();
    for (size_t k = 0; k < 10; ++k) {
        const uint8_t* rec = &bytes[k * HallOfFameRecordBytes];
        HallOfFameEntry e;
        // The value a score text spells: each non-zero byte weighs its position.
        e.score = 0;
        uint32_t weight = 1;
        for (int p = 19; p >= 11; --p, weight *= 10) {
            uint8_t c = uint8_t(rec[p] - rec[p - 10]);
            if (c) e.score += uint32_t(c - '0') * weight;
        }
        for (int j = 0; j < 3; ++j) {
            uint8_t c = uint8_t(rec[20 + j] - rec[j]);
            if (!c) break;
            e.name.push_back(char(c));
        }
        uint8_t t = uint8_t(rec[26] - rec[2]), u = uint8_t(rec[27] - rec[3]);
        e.level = (t ? unsigned(t - '0') * 10 : 0) + (u ? unsigned(u - '0') : 0);
        out.push_back(e);
    }
    return true;
}

}  // namespace vxc
