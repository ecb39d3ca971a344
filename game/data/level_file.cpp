// Level files: a fixed head (grid geometry, blocks to clear, block type
// count, cell size), the block type records with their frame images, and the
// cell grid. Loading places every frame on the offscreen sheet and builds the
// level in memory (BlockTypes, LayoutArray and the geometry).
#include "game/data/data.h"
#include "game/data/loader_file.h"
#include "game/shell/shell.h"
#include "pf/window.h"

namespace {

constexpr LoaderMessages LevelMessages = {
    "[ReadLevelData] Unable to open level data file\n",
    "[ReadLevelData] Unable to get file size\n",
    "[ReadLevelData] Unable to allocate temporary memory\n",
    "[ReadLevelData] Unable to lock memory\n",
    "[ReadLevelData] Unable to read level data file\n",
};

constexpr const char* TooShort = "[ReadLevelData] Corrupt data file (file ends too early)\n";

// A chunk ID of the file (rules.h) at bytes.
bool ChunkIs(const uint8_t* bytes, const char* id) {
    return CheckChunkID(bytes, id[0], id[1], id[2], id[3]);
}

size_t FrameBytes() { return 2 + PictureBytes(CellWidth, CellHeight); }

// Walks the block type records and the cell grid before anything is drawn or
// stored: every record must lie in the file, hold at most 10 frames whose
// images land on the sheet, and, when the layout chunk is where it belongs,
// its cells must lie in the file and name block types that exist and have
// frames. A wrong layout chunk ID is left for its own check after the
// images are placed. Returns the failure message or nullptr.
const char* CheckBlocksAndCells(const uint8_t* bytes, size_t size, uint32_t typeCount) {
    uint16_t frameCounts[MaxBlockTypes] = {};
    BlockFrameCursor cursor;
    size_t at = LevelHeadBytes;
    for (uint32_t type = 0; type < typeCount; ++type) {
        if (size - at < 4) return TooShort;
        const uint16_t frameCount = ReadU16(bytes + at);
        if (frameCount > MaxBlockFrames)
            return "[ReadLevelData] Corrupt data file (more than 10 frames in a block type)\n";
        frameCounts[type] = frameCount;
        at += 4;
        for (uint32_t frame = 0; frame < frameCount; ++frame) {
            if (size - at < FrameBytes()) return TooShort;
            if (!FitsSheet(cursor.x, cursor.y, CellWidth, CellHeight))
                return "[ReadLevelData] Corrupt data file (block images outside the 800x600 sheet)\n";
            cursor.Advance(CellWidth, CellHeight, TbarSprite.x);
            at += FrameBytes();
        }
    }

    if (size - at < 4) return TooShort;
    if (!ChunkIs(bytes + at, LevelLayoutID)) return nullptr;
    at += 4;
    const size_t cells = static_cast<size_t>(LayoutColumns) * LayoutRows;
    if (size - at < 2 * cells) return TooShort;
    for (size_t cell = 0; cell < cells; ++cell) {
        const uint8_t typePlusOne = bytes[at + 2 * cell];
        if (typePlusOne == 0) continue;
        if (typePlusOne > typeCount)
            return "[ReadLevelData] Corrupt data file (cell names a block type beyond the table)\n";
        if (frameCounts[typePlusOne - 1] == 0)
            return "[ReadLevelData] Corrupt data file (cell names a block type without frames)\n";
    }
    return nullptr;
}

// Everything after the file is in memory. Returns the failure message or
// nullptr on success; the caller releases the temporary buffer, then reports.
const char* BuildLevel(const uint8_t* bytes, size_t size, uint16_t level) {
    if (size < LevelAtLevel) return TooShort;
    if (!ChunkIs(bytes + LevelAtFileID, LevelFileID))
        return "[ReadLevelData] Corrupt data file (FileID != 'ALDF')\n";

    if (size < LevelAtLevelDataID) return TooShort;
    if (ReadU16(bytes + LevelAtLevel) != level)
        return "[ReadLevelData] Corrupt data file (Level check failed)\n";

    if (size < LevelAtColumns) return TooShort;
    if (!ChunkIs(bytes + LevelAtLevelDataID, LevelDataID))
        return "[ReadLevelData] Corrupt data file (Level Data ChunkID != 'BLVD')\n";

    if (size < LevelAtLayoutX) return TooShort;
    LayoutColumns = ReadU16(bytes + LevelAtColumns);
    LayoutRows = ReadU16(bytes + LevelAtRows);
    if (LayoutColumns == 0 || LayoutRows == 0 ||
        static_cast<uint32_t>(LayoutColumns) * LayoutRows > LevelMaxCells)
        return "[ReadLevelData] Corrupt data file (Layout array size out of range)\n";

    if (size < LevelAtBlocksToClear) return TooShort;
    LayoutX = ReadU16(bytes + LevelAtLayoutX);
    LayoutY = ReadU16(bytes + LevelAtLayoutY);
    if (LayoutX > ScreenWidth || LayoutY > ScreenHeight)
        return "[ReadLevelData] Corrupt data file (Layout coordinates out of range)\n";

    if (size < LevelAtBlockDataID) return TooShort;
    BlocksToClear = ReadU16(bytes + LevelAtBlocksToClear);

    if (size < LevelAtBlockTypeCount) return TooShort;
    if (!ChunkIs(bytes + LevelAtBlockDataID, LevelBlockDataID))
        return "[ReadLevelData] Corrupt data file (Block Data ChunkID != 'BLDA')\n";

    if (size < LevelAtCellWidth) return TooShort;
    const uint16_t typeCount = ReadU16(bytes + LevelAtBlockTypeCount);
    if (typeCount == 0 || typeCount > MaxBlockTypes)
        return "[ReadLevelData] Corrupt data file (No blocks)\n";

    BlockTypesMemory = pf::GlobalAlloc(pf::GHND, sizeof(BlockType) * typeCount);
    if (BlockTypesMemory == nullptr) return "[ReadLevelData] Unable to allocate block memory\n";
    BlockTypes = static_cast<BlockType*>(pf::GlobalLock(BlockTypesMemory));
    if (BlockTypes == nullptr) return "[ReadLevelData] Unable to lock memory\n";
    BlockTypeCount = typeCount;

    if (size < LevelHeadBytes) return TooShort;
    CellWidth = ReadU16(bytes + LevelAtCellWidth);
    CellHeight = ReadU16(bytes + LevelAtCellHeight);
    if (CellWidth == 0 || CellHeight == 0)
        return "[ReadLevelData] Corrupt data file (cell width or height is 0)\n";
    // A grid may run past the screen's edge: nothing is addressed through its
    // screen position (play indexes cells by row and column, and a block
    // copied past the edge is refused whole), so it is taken as stored.

    if (const char* failure = CheckBlocksAndCells(bytes, size, typeCount)) return failure;

    // Block types and their frames, placed in reading order.
    BlockFrameCursor cursor;
    size_t at = LevelHeadBytes;
    for (uint32_t type = 0; type < typeCount; ++type) {
        BlockType& block = BlockTypes[type];
        block.frameCount = ReadU16(bytes + at);
        block.hitsToBreak = ReadU16(bytes + at + 2);
        at += 4;
        for (uint32_t frame = 0; frame < block.frameCount; ++frame) {
            at += 2;  // the frame value, not used by the game
            block.frameX[frame] = static_cast<uint16_t>(cursor.x);
            block.frameY[frame] = static_cast<uint16_t>(cursor.y);
            cursor.Advance(CellWidth, CellHeight, TbarSprite.x);
            const Sprite image = {CellWidth, CellHeight, block.frameX[frame], block.frameY[frame]};
            StoreSpritePixels(image, bytes + at);
            at += PictureBytes(CellWidth, CellHeight);
        }
    }

    if (!ChunkIs(bytes + at, LevelLayoutID))
        return "[ReadLevelData] Corrupt data file (Level Layout Data ChunkID != 'LLOD')\n";
    at += 4;

    const size_t cells = static_cast<size_t>(LayoutColumns) * LayoutRows;
    LayoutArrayMemory = pf::GlobalAlloc(pf::GHND, cells * sizeof(uint16_t));
    if (LayoutArrayMemory == nullptr)
        return "[ReadLevelData] Unable to allocate layout array memory\n";
    LayoutArray = static_cast<uint16_t*>(pf::GlobalLock(LayoutArrayMemory));
    if (LayoutArray == nullptr) return "[ReadLevelData] Unable to lock layout array memory\n";

    for (size_t cell = 0; cell < cells; ++cell) LayoutArray[cell] = ReadU16(bytes + at + 2 * cell);
    return nullptr;
}

}  // namespace

bool CheckChunkID(const uint8_t* bytes, char c0, char c1, char c2, char c3) {
    return bytes[0] == static_cast<uint8_t>(c0) && bytes[1] == static_cast<uint8_t>(c1) &&
           bytes[2] == static_cast<uint8_t>(c2) && bytes[3] == static_cast<uint8_t>(c3);
}

int ReadLevelData(uint32_t level) {
    const uint16_t number = static_cast<uint16_t>(level & 0xFFFF);
    char fileName[32];
    pf::wsprintfA(fileName, "Data\\Lvl%04u.ldf", static_cast<unsigned>(number));

    FileBuffer file;
    if (!ReadWholeFile(fileName, LevelMessages, &file)) return 0;
    const char* failure = BuildLevel(file.bytes, file.size, number);
    ReleaseFileBuffer(&file);
    if (failure != nullptr) return ReportError(failure);
    return 1;
}

void ReleaseLayoutArray() {
    if (LayoutArrayMemory == nullptr) return;
    pf::GlobalFree(LayoutArrayMemory);
    LayoutArrayMemory = nullptr;
    LayoutArray = nullptr;
}

void ReleaseBlockTypes() {
    if (BlockTypesMemory == nullptr) return;
    pf::GlobalFree(BlockTypesMemory);
    BlockTypesMemory = nullptr;
    BlockTypes = nullptr;
    BlockTypeCount = 0;
}

void ReleaseLevel() {
    ReleaseLayoutArray();
    ReleaseBlockTypes();
}
