#include "tools/content/levelmap.h"

#include <array>
#include <cstdlib>
#include <map>
#include <sstream>

#include "tools/content/blocks.h"

namespace vxc {

namespace {

bool ToInt(const std::string& s, long lo, long hi, long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtol(s.c_str(), &end, 10);
    return *end == '\0' && v >= lo && v <= hi;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream in(line);
    std::string t;
    while (in >> t) out.push_back(t);
    return out;
}

std::string DirOf(const std::string& path) {
    size_t s = path.find_last_of('/');
    return s == std::string::npos ? std::string(".") : path.substr(0, s);
}

const char kSymbols[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

}  // namespace

bool ParseLevelMap(const std::string& text, const std::string& baseDir, LevelData& lv, std::string& error) {
    lv = LevelData{};
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    bool inMap = false, autoClear = true, haveGrid = false, haveCell = false;
    long clearValue = 0;
    std::map<char, int> symbols;
    struct Pending { std::string style; Col colour; int frames = 1; std::vector<std::string> pngs; };
    std::vector<Pending> pending;
    std::vector<std::string> rows;
    std::vector<std::array<long, 3>> taken;
    auto fail = [&](const std::string& msg) {
        error = "line " + std::to_string(lineNo) + ": " + msg;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        if (inMap) {
            std::string row;
            for (char ch : raw) if (ch != ' ' && ch != '\t') row.push_back(ch);
            if (row.empty()) continue;
            if (row.rfind("taken", 0) == 0) {
                inMap = false;  // the rows are over; fall through to keywords
            } else {
                if (row[0] == '#') continue;
                rows.push_back(row);
                continue;
            }
        }
        std::string line = raw.substr(0, raw.find('#'));
        std::vector<std::string> t = Split(line);
        if (t.empty()) continue;
        long a, b;
        if (t[0] == "level") {
            if (t.size() != 2 || !ToInt(t[1], 0, 65535, a)) return fail("level needs a number 0 to 65535");
            lv.number = uint16_t(a);
        } else if (t[0] == "grid") {
            if (t.size() != 3 || !ToInt(t[1], 1, 1000, a) || !ToInt(t[2], 1, 1000, b) || a * b > int(LevelMaxCells))
                return fail("grid needs columns and rows, at most 1000 cells");
            lv.columns = uint16_t(a); lv.rows = uint16_t(b);
            haveGrid = true;
        } else if (t[0] == "at") {
            if (t.size() != 3 || !ToInt(t[1], 0, 800, a) || !ToInt(t[2], 0, 600, b)) return fail("at needs x 0-800 and y 0-600");
            lv.x = uint16_t(a); lv.y = uint16_t(b);
        } else if (t[0] == "cell") {
            if (t.size() != 3 || !ToInt(t[1], 1, 800, a) || !ToInt(t[2], 1, 600, b)) return fail("cell needs a width and a height");
            lv.cellWidth = uint16_t(a); lv.cellHeight = uint16_t(b);
            haveCell = true;
        } else if (t[0] == "clear") {
            if (t.size() != 2) return fail("clear needs auto or a number");
            if (t[1] == "auto") autoClear = true;
            else if (ToInt(t[1], 0, 65535, clearValue)) autoClear = false;
            else return fail("clear needs auto or a number");
        } else if (t[0] == "block") {
            if (t.size() < 4 || t[1].size() != 1 || t[1][0] == '.' || t[1][0] == '#') return fail("block needs a one-character symbol (not . or #)");
            if (symbols.count(t[1][0])) return fail(std::string("block symbol ") + t[1] + " defined twice");
            if (lv.types.size() >= size_t(MaxBlockTypes)) return fail("more than 20 block types");
            BlockTypeData bt;
            Pending p;
            bool haveHits = false, haveValues = false;
            for (size_t i = 2; i < t.size(); ++i) {
                if (t[i] == "hits") {
                    if (i + 1 >= t.size() || !ToInt(t[i + 1], 0, 65535, a)) return fail("hits needs a number (255: unbreakable)");
                    bt.hitsToBreak = uint16_t(a); haveHits = true; ++i;
                } else if (t[i] == "frames") {
                    if (i + 1 >= t.size() || !ToInt(t[i + 1], 1, MaxBlockFrames, a)) return fail("frames needs 1 to 10");
                    p.frames = int(a); ++i;
                } else if (t[i] == "values") {
                    haveValues = true;
                    while (i + 1 < t.size() && ToInt(t[i + 1], 0, 65535, a)) { bt.frameValues.push_back(uint16_t(a)); ++i; }
                } else if (t[i] == "png") {
                    p.style = "png";
                    while (i + 1 < t.size() && t[i + 1] != "values" && t[i + 1] != "hits") p.pngs.push_back(t[++i]);
                    if (p.pngs.empty() || p.pngs.size() > size_t(MaxBlockFrames)) return fail("png needs 1 to 10 picture files");
                } else if (IsBlockStyle(t[i])) {
                    p.style = t[i];
                    if (i + 1 >= t.size() || !ParseHexColour(t[i + 1], p.colour)) return fail(t[i] + " needs a colour rrggbb");
                    ++i;
                } else {
                    return fail("unknown word \"" + t[i] + "\" in block (styles: brick metal steel crystal, or png)");
                }
            }
            if (!haveHits) return fail("block needs hits");
            if (p.style.empty()) return fail("block needs a style and colour or png frames");
            int nframes = p.style == "png" ? int(p.pngs.size()) : p.frames;
            if (!haveValues) bt.frameValues.assign(size_t(nframes), 0);
            if (bt.frameValues.size() != size_t(nframes)) return fail("values must give one number per frame");
            symbols[t[1][0]] = int(lv.types.size()) + 1;
            lv.types.push_back(std::move(bt));
            pending.push_back(std::move(p));
        } else if (t[0] == "map") {
            inMap = true;
        } else if (t[0] == "taken") {
            long r, c, n;
            if (t.size() != 4 || !ToInt(t[1], 0, 999, r) || !ToInt(t[2], 0, 999, c) || !ToInt(t[3], 0, 255, n))
                return fail("taken needs row, column and hits 0-255");
            taken.push_back({r, c, n});
        } else {
            return fail("unknown word \"" + t[0] + "\"");
        }
    }
    if (!haveGrid) { error = "no grid line"; return false; }
    if (!haveCell) { error = "no cell line"; return false; }
    if (lv.types.empty()) { error = "no block types"; return false; }
    if (rows.size() != lv.rows) {
        error = "map has " + std::to_string(rows.size()) + " rows, grid says " + std::to_string(lv.rows);
        return false;
    }
    lv.cells.assign(size_t(lv.columns) * lv.rows, 0);
    for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].size() != lv.columns) {
            error = "map row " + std::to_string(r) + " has " + std::to_string(rows[r].size()) + " cells, grid says " + std::to_string(lv.columns);
            return false;
        }
        for (size_t c = 0; c < rows[r].size(); ++c) {
            char ch = rows[r][c];
            if (ch == '.') continue;
            auto it = symbols.find(ch);
            if (it == symbols.end()) { error = std::string("map row ") + std::to_string(r) + ": unknown block symbol " + ch; return false; }
            lv.cells[r * lv.columns + c] = uint16_t(it->second);
        }
    }
    for (auto& tk : taken) {
        if (tk[0] >= lv.rows || tk[1] >= lv.columns) { error = "taken names a cell outside the grid"; return false; }
        uint16_t& cell = lv.cells[size_t(tk[0]) * lv.columns + size_t(tk[1])];
        cell = uint16_t((cell & 0xFF) | (tk[2] << 8));
    }
    // Frame pictures.
    for (size_t i = 0; i < lv.types.size(); ++i) {
        Pending& p = pending[i];
        BlockTypeData& bt = lv.types[i];
        if (p.style == "png") {
            for (const std::string& f : p.pngs) {
                Image img;
                std::string path = (f.size() && f[0] == '/') ? f : baseDir + "/" + f;
                if (!ReadPng(path, img, error)) return false;
                if (img.w != lv.cellWidth || img.h != lv.cellHeight) {
                    error = path + ": frame is " + std::to_string(img.w) + "x" + std::to_string(img.h) + ", the cell is " +
                            std::to_string(lv.cellWidth) + "x" + std::to_string(lv.cellHeight);
                    return false;
                }
                bt.frames.push_back(std::move(img));
            }
        } else {
            for (int k = 0; k < p.frames; ++k)
                bt.frames.push_back(RenderBlock(p.style, p.colour, lv.cellWidth, lv.cellHeight, bt.hitsToBreak, k, p.frames));
        }
    }
    lv.blocksToClear = autoClear ? uint16_t(lv.BreakableBlocks()) : uint16_t(clearValue);
    return true;
}

bool ReadLevelMap(const std::string& path, LevelData& out, std::string& error) {
    std::vector<uint8_t> bytes;
    if (!ReadFileBytes(path, bytes, error)) return false;
    std::string text(bytes.begin(), bytes.end());
    if (!ParseLevelMap(text, DirOf(path), out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool WriteLevelMap(const std::string& path, const LevelData& lv, std::string& error) {
    if (lv.types.size() > sizeof kSymbols - 1) { error = "too many block types"; return false; }
    std::string stem = path;
    size_t slash = stem.find_last_of('/');
    size_t dot = stem.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) stem = stem.substr(0, dot);
    std::string stemName = slash == std::string::npos ? stem : stem.substr(slash + 1);
    std::ostringstream o;
    o << "# Velnorix level map (see assets/content/README.md)\n";
    o << "level " << lv.number << "\n";
    o << "grid " << lv.columns << " " << lv.rows << "\n";
    o << "at " << lv.x << " " << lv.y << "\n";
    o << "cell " << lv.cellWidth << " " << lv.cellHeight << "\n";
    if (lv.blocksToClear == lv.BreakableBlocks()) o << "clear auto\n";
    else o << "clear " << lv.blocksToClear << "\n";
    for (size_t i = 0; i < lv.types.size(); ++i) {
        const BlockTypeData& bt = lv.types[i];
        o << "block " << kSymbols[i] << " hits " << bt.hitsToBreak;
        if (bt.frames.empty()) { error = "block type " + std::to_string(i) + " has no frames: a map cannot describe it"; return false; }
        o << " png";
        for (size_t k = 0; k < bt.frames.size(); ++k) {
            std::string name = stemName + "_" + kSymbols[i] + std::to_string(k) + ".png";
            if (!WritePng(stem + "_" + kSymbols[i] + std::to_string(k) + ".png", bt.frames[k], error)) return false;
            o << " " << name;
        }
        bool nonzero = false;
        for (uint16_t v : bt.frameValues) nonzero |= v != 0;
        if (nonzero) {
            o << " values";
            for (uint16_t v : bt.frameValues) o << " " << v;
        }
        o << "\n";
    }
    o << "map\n";
    std::ostringstream tk;
    for (int r = 0; r < lv.rows; ++r) {
        for (int c = 0; c < lv.columns; ++c) {
            uint16_t cell = lv.cells[size_t(r) * lv.columns + size_t(c)];
            int t = cell & 0xFF;
            if (t > int(lv.types.size())) { error = "a cell names a block type that does not exist"; return false; }
            o << (c ? " " : "") << (t ? kSymbols[t - 1] : '.');
            if (cell >> 8) tk << "taken " << r << " " << c << " " << (cell >> 8) << "\n";
        }
        o << "\n";
    }
    o << tk.str();
    std::string s = o.str();
    return WriteFileBytes(path, std::vector<uint8_t>(s.begin(), s.end()), error);
}

}  // namespace vxc
