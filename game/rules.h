// The game's fixed rules that the game, the content tools and the tests all
// read: the screen, where each picture of the screens sits, the play field,
// the level file's layout and where the level loader puts the block frames
// on the picture sheet. A change of layout or format is one edit here, and a
// tool cannot drift from the game.
//
// Standalone (no platform headers), so programs outside the game include it.
#pragma once

#include <cstddef>
#include <cstdint>

// --- Screen -------------------------------------------------------------------

// The display mode, the back buffer and the picture sheet: 800x600 pixels.
constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;

// A picture's place on the screen: its top-left corner.
struct ScreenPoint {
    int x;
    int y;
};

// --- Intro ---------------------------------------------------------------------

constexpr ScreenPoint IntroLogo1At = {40, 200};
constexpr ScreenPoint IntroLogo2At = {220, 200};

// --- Menu ----------------------------------------------------------------------

constexpr ScreenPoint MenuLogoAt = {225, 50};
constexpr ScreenPoint MenuVersionAt = {0, 540};
constexpr ScreenPoint MenuStartButtonAt = {270, 250};
constexpr ScreenPoint MenuQuitButtonAt = {270, 350};
// The selector's two arrows beside button 0 (start); button 1 (quit) puts
// them MenuButtonStep lower.
constexpr ScreenPoint MenuSelectorLeftAt = {240, 270};
constexpr ScreenPoint MenuSelectorRightAt = {545, 270};
constexpr int MenuButtonStep = 100;

// The menu's logo also heads the hall-of-fame page and the name entry.

// --- Hall-of-fame page ---------------------------------------------------------------

constexpr ScreenPoint HallTitleAt = {295, 170};  // "ALL TIME HIGH"
constexpr int HallHeadingY = 215;                // the column headings' row
// The columns: level and score written right-aligned against their right
// edge, the name from its left edge.
constexpr int HallLevelRight = 270;
constexpr int HallScoreRight = 440;
constexpr int HallNameLeft = 460;
constexpr int HallFirstRowY = 250;
constexpr int HallRowStep = 30;

// --- Name entry ------------------------------------------------------------------------

constexpr ScreenPoint NameEntryLine1At = {260, 200};  // "Enter your name for"
constexpr ScreenPoint NameEntryLine2At = {280, 230};  // "the Hall Of Fame"
constexpr ScreenPoint NameEntryNameAt = {375, 295};   // the name entered so far
// The character wheel: ten cells of NameWheelCellWidth in a row at
// NameWheelY, the selected one at NameWheelSelectedX, marks above and below
// it, and three dots at each end.
constexpr int NameWheelY = 350;
constexpr int NameWheelCellWidth = 25;
constexpr int NameWheelSelectedX = 395;
constexpr int NameWheelMarkAboveY = 320;
constexpr int NameWheelMarkBelowY = 358;
constexpr int NameWheelLeftDotsX = 250;
constexpr int NameWheelRightDotsX = 525;
constexpr int NameWheelDotStep = 8;

// --- Play ------------------------------------------------------------------------

// The play field runs from x 0 to PlayFieldRight: the balls bounce off it,
// the ship keeps inside it; the side panel lies to its right.
constexpr int PlayFieldRight = 550;
// The ship's row and its place at the start of a game and of each life.
constexpr ScreenPoint ShipStartAt = {100, 550};
// The first ball's place at the start of a life.
constexpr float BallStartX = 110.0f;
constexpr float BallStartY = 430.0f;
// The lives row in the side panel: one icon per life left, from LivesIconAt
// rightwards.
constexpr ScreenPoint LivesIconAt = {580, 190};
constexpr int LivesIconStep = 35;
// The score box of the side panel (left, top, right, bottom), refreshed from
// the sheet every frame, and the pen the score is written with.
constexpr int ScoreBoxLeft = 560;
constexpr int ScoreBoxTop = 350;
constexpr int ScoreBoxRight = 790;
constexpr int ScoreBoxBottom = 375;
constexpr ScreenPoint ScorePenAt = {675, 350};
// The cannon ship's two barrels, from its left edge.
constexpr int LeftBarrelX = 6;
constexpr int RightBarrelX = 49;

constexpr int32_t StartingLives = 3;
constexpr int LastLevel = 4;

// --- Level files -------------------------------------------------------------------
//
// Little-endian. A fixed head of LevelHeadBytes, then the block type records
// (u16 frame count, u16 hits to break, then per frame a u16 value and the
// CellWidth x CellHeight picture as blue, green, red bytes), then the cell
// grid (LLOD and Columns x Rows u16 cells).

constexpr size_t LevelHeadBytes = 30;
// Offsets in the head.
constexpr size_t LevelAtFileID = 0;           // "ALDF"
constexpr size_t LevelAtLevel = 4;            // u16 level number
constexpr size_t LevelAtLevelDataID = 6;      // "BLVD"
constexpr size_t LevelAtColumns = 10;         // u16
constexpr size_t LevelAtRows = 12;            // u16
constexpr size_t LevelAtLayoutX = 14;         // u16, the grid's left edge
constexpr size_t LevelAtLayoutY = 16;         // u16, the grid's top edge
constexpr size_t LevelAtBlocksToClear = 18;   // u16
constexpr size_t LevelAtBlockDataID = 20;     // "BLDA"
constexpr size_t LevelAtBlockTypeCount = 24;  // u16
constexpr size_t LevelAtCellWidth = 26;       // u16
constexpr size_t LevelAtCellHeight = 28;      // u16
constexpr const char* LevelFileID = "ALDF";
constexpr const char* LevelDataID = "BLVD";
constexpr const char* LevelBlockDataID = "BLDA";
constexpr const char* LevelLayoutID = "LLOD";
constexpr uint32_t LevelMaxCells = 1000;
constexpr int MaxBlockTypes = 20;
constexpr int MaxBlockFrames = 10;
// A block type that no hit breaks.
constexpr uint16_t UnbreakableHits = 255;

// Where the level loader puts the block frames on the picture sheet: from
// (0, 0) in rows of the cell height, each row ending where the side panel
// (its x is panelX) lies. The limit is tested after the advance, so a frame
// may start just left of it.
struct BlockFrameCursor {
    uint32_t x = 0;
    uint32_t y = 0;
    void Advance(uint32_t cellWidth, uint32_t cellHeight, uint32_t panelX) {
        x += cellWidth;
        if (x >= panelX) {
            x = 0;
            y += cellHeight;
        }
    }
};

// --- Hall-of-fame file ---------------------------------------------------------------

constexpr int HallOfFameSize = 10;
constexpr size_t HallOfFameRecordBytes = 28;
constexpr size_t HallOfFameFileBytes = HallOfFameSize * HallOfFameRecordBytes;
