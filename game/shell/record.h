// The program-wide record: every piece of game state, alive for the whole
// run. Nothing else in the game holds state between calls.
//
// The fields live together in one structure, `Record`, so that the test
// bench can return the program to its start-up state in one assignment; each
// field is also reachable under its own plain name (`GameState`, `BallCount`,
// ...), which is how the game code refers to it.
#pragma once

#include <cstdint>

#include "pf/audio.h"
#include "pf/ddraw.h"
#include "pf/dinput.h"
#include "pf/files.h"
#include "pf/types.h"
#include "pf/window.h"
#include "game/rules.h"

// --- Game states ------------------------------------------------------------

constexpr int32_t GS_QUIT = 0;
constexpr int32_t GS_PLAYING = 1;
constexpr int32_t GS_MENU = 2;
constexpr int32_t GS_STARTING = 3;
constexpr int32_t GS_SUSPENDED = 4;
constexpr int32_t GS_ALL_LEVELS_DONE = 5;
constexpr int32_t GS_INTRO = 6;
constexpr int32_t GS_GAME_OVER = 7;
constexpr int32_t GS_PAUSED = 8;

// --- Capsule kinds (also the index into PowerUpSprites) ----------------------

constexpr int32_t CK_LONG_SHIP = 0;
constexpr int32_t CK_NORMAL = 1;
constexpr int32_t CK_BONUS = 2;
constexpr int32_t CK_CANNON_SHIP = 3;
constexpr int32_t CK_FIRE_BALL = 4;
constexpr int32_t CK_FIRE_MULTI_BALL = 5;
constexpr int32_t CK_MULTI_BALL = 6;
constexpr int32_t CK_WARP = 7;

// --- Sizes --------------------------------------------------------------------

constexpr int MaxBalls = 6;
constexpr int MaxMissiles = 10;
constexpr int MaxCapsules = 5;
constexpr int GlyphCount = 72;

// --- Record types -------------------------------------------------------------

// A picture's rectangle on the OffscreenSurface.
struct Sprite {
    uint16_t width;
    uint16_t height;
    uint16_t x;
    uint16_t y;
};

// One block type of the level in memory: where its frames lie on the
// OffscreenSurface, how many there are and how many hits break it (255: never).
struct BlockType {
    uint16_t frameX[MaxBlockFrames];
    uint16_t frameY[MaxBlockFrames];
    uint16_t frameCount;
    uint16_t hitsToBreak;
};

// The motion of one ball in one slot.
struct Ball {
    float x;
    float y;
    float speed;
    float dx;
    float dy;
};

// One shot of the cannon ship: two missiles; x = -1 marks a missile gone.
struct MissilePair {
    int32_t x1;
    int32_t y1;
    int32_t x2;
    int32_t y2;
};

// A falling capsule; kind -1 marks a free entry.
struct Capsule {
    int32_t x;
    int32_t y;
    int32_t kind;
};

// One row of the hall of fame: the same 28 bytes as in "Data//hiscore.dat".
struct HallOfFameRecord {
    uint8_t mask[10];
    uint8_t score[10];
    uint8_t name[4];
    uint8_t level[4];
};
static_assert(sizeof(HallOfFameRecord) == 28);

// The text pen.
struct TextPosition {
    int32_t x;
    int32_t y;
};

struct ProgramRecord {
    // Shell
    int32_t GameState = GS_STARTING;
    int32_t FatalError = 0;
    char ErrorText[256] = {};
    pf::HWND GameWindow = nullptr;
    pf::HINSTANCE AppInstance = nullptr;
    char WindowTitle[80] = {};

    // Display
    pf::LPDIRECTDRAW DDrawFirst = nullptr;  // only during InitDDraw
    pf::LPDIRECTDRAW2 DDraw = nullptr;
    pf::LPDIRECTDRAWSURFACE PrimarySurface = nullptr;
    pf::LPDIRECTDRAWSURFACE BackBuffer = nullptr;
    pf::LPDIRECTDRAWSURFACE OffscreenSurface = nullptr;
    pf::HRESULT DDResult = 0;  // the result of the last DirectDraw or DirectInput call
    uint32_t FrameTime = 0;    // tick count at the start of the current frame (WaitFrame)
    // The two buffer slots, 0 and 1: a frame reads the slot on screen
    // (ShownIndex) and writes the one being drawn (DrawIndex); every
    // successful flip swaps them.
    int32_t DrawIndex = 0;
    int32_t ShownIndex = 1;
    // Static parts of a screen are drawn into each of the two flipping
    // buffers once: RedrawPending while they must be, RedrawCount the
    // buffers done so far.
    int32_t RedrawPending = 1;
    int32_t RedrawCount = 0;
    uint16_t* OffscreenBits = nullptr;   // the sheet's pixels while it is locked
    int32_t OffscreenPitch = 0;          // bytes per row of that lock
    uint16_t* BackBufferBits = nullptr;  // the back buffer's pixels while it is locked

    // Input
    pf::LPDIRECTINPUT DInput = nullptr;
    pf::LPDIRECTINPUTDEVICE KeyboardDevice = nullptr;
    pf::LPDIRECTINPUTDEVICE MouseDevice = nullptr;
    uint8_t KeyState[256] = {};
    pf::DIMOUSESTATE MouseState = {};

    // Sound
    pf::AudioInfo AudioInfo = {};
    pf::MODULE MusicModule = nullptr;

    // Level in memory
    uint16_t LayoutColumns = 0;
    uint16_t LayoutRows = 0;
    uint16_t LayoutX = 0;
    uint16_t LayoutY = 0;
    uint16_t CellWidth = 0;
    uint16_t CellHeight = 0;
    uint16_t BlocksToClear = 0;
    pf::HGLOBAL BlockTypesMemory = nullptr;   // holder of BlockTypes
    pf::HGLOBAL LayoutArrayMemory = nullptr;  // holder of LayoutArray
    BlockType* BlockTypes = nullptr;
    uint16_t* LayoutArray = nullptr;
    uint16_t BlockTypeCount = 0;  // entries of BlockTypes, for the cell checks

    // Play
    int32_t CurrentLevel = 1;       // 1 to LastLevel
    int32_t Lives = StartingLives;  // lives left, the one in play included
    // The score as decimal digits, most significant first; cell 0 is always
    // 0 and cells 1 to 9 are the nine digits shown.
    int32_t ScoreDigits[10] = {};
    int32_t LevelDone = 0;     // set when the level is finished; the level changes at frame end
    int32_t BlocksBroken = 0;  // breakable blocks broken in this level (toward BlocksToClear)
    // Each ball's motion, once per buffer slot; BallCount of them are in play.
    Ball Balls[MaxBalls][2] = {};
    int32_t BallCount = 1;
    // Set when a ball has passed the ship's top without being caught: it can
    // no longer bounce off the ship and is lost at the bottom.
    int32_t BallMissed[MaxBalls] = {};
    const Sprite* CurrentBallSprite = nullptr;  // BallSprite, or BallFSprite for fire balls
    // The ship's top-left corner, once per buffer slot.
    int32_t ShipX[2] = {};
    int32_t ShipY[2] = {};
    int32_t ShipSpeed = 0;  // pixels per frame, negative to the left
    const Sprite* CurrentShipSprite = nullptr;  // ShipSprite, ShipLSprite (long) or ShipCSprite (cannon)
    MissilePair Missiles[MaxMissiles] = {};
    int32_t FireCooldown = 10;  // frames since the last shot, capped; a shot needs enough of them
    Capsule Capsules[MaxCapsules] = {};

    // Assets: intro
    Sprite Logo1Sprite = {};
    Sprite Logo2Sprite = {};
    // Assets: menu set
    Sprite LogoSprite = {};
    Sprite But1Sprite = {};
    Sprite But2Sprite = {};
    Sprite SelLeftSprite = {};
    Sprite SelRightSprite = {};
    Sprite VersionSprite = {};
    // Assets: play set
    Sprite TbarSprite = {};
    Sprite LivesSprite = {};
    Sprite PowerUpSprites[8] = {};
    Sprite ShipSprite = {};
    Sprite ShipLSprite = {};
    Sprite ShipCSprite = {};
    Sprite MissileSprite = {};
    Sprite BallSprite = {};
    Sprite BallFSprite = {};
    // Font and text
    Sprite Glyphs[GlyphCount] = {};
    TextPosition TextPos = {};

    // Front end
    int32_t MenuSelection = 0;
    int32_t MenuShowing = 1;
    int32_t AttractTimer = 0;
    HallOfFameRecord HallOfFame[HallOfFameSize] = {};
    int32_t HallOfFameRead = 0;  // a ReadHiscoreTable has filled the table
};

extern ProgramRecord Record;

// Plain names for the fields of the record.
#define VX_FIELD(name) inline auto& name = Record.name;
VX_FIELD(GameState)
VX_FIELD(FatalError)
VX_FIELD(ErrorText)
VX_FIELD(GameWindow)
VX_FIELD(AppInstance)
VX_FIELD(WindowTitle)
VX_FIELD(DDrawFirst)
VX_FIELD(DDraw)
VX_FIELD(PrimarySurface)
VX_FIELD(BackBuffer)
VX_FIELD(OffscreenSurface)
VX_FIELD(DDResult)
VX_FIELD(FrameTime)
VX_FIELD(DrawIndex)
VX_FIELD(ShownIndex)
VX_FIELD(RedrawPending)
VX_FIELD(RedrawCount)
VX_FIELD(OffscreenBits)
VX_FIELD(OffscreenPitch)
VX_FIELD(BackBufferBits)
VX_FIELD(DInput)
VX_FIELD(KeyboardDevice)
VX_FIELD(MouseDevice)
VX_FIELD(KeyState)
VX_FIELD(MouseState)
VX_FIELD(AudioInfo)
VX_FIELD(MusicModule)
VX_FIELD(LayoutColumns)
VX_FIELD(LayoutRows)
VX_FIELD(LayoutX)
VX_FIELD(LayoutY)
VX_FIELD(CellWidth)
VX_FIELD(CellHeight)
VX_FIELD(BlocksToClear)
VX_FIELD(BlockTypesMemory)
VX_FIELD(LayoutArrayMemory)
VX_FIELD(BlockTypes)
VX_FIELD(LayoutArray)
VX_FIELD(BlockTypeCount)
VX_FIELD(CurrentLevel)
VX_FIELD(Lives)
VX_FIELD(ScoreDigits)
VX_FIELD(LevelDone)
VX_FIELD(BlocksBroken)
VX_FIELD(Balls)
VX_FIELD(BallCount)
VX_FIELD(BallMissed)
VX_FIELD(CurrentBallSprite)
VX_FIELD(ShipX)
VX_FIELD(ShipY)
VX_FIELD(ShipSpeed)
VX_FIELD(CurrentShipSprite)
VX_FIELD(Missiles)
VX_FIELD(FireCooldown)
VX_FIELD(Capsules)
VX_FIELD(Logo1Sprite)
VX_FIELD(Logo2Sprite)
VX_FIELD(LogoSprite)
VX_FIELD(But1Sprite)
VX_FIELD(But2Sprite)
VX_FIELD(SelLeftSprite)
VX_FIELD(SelRightSprite)
VX_FIELD(VersionSprite)
VX_FIELD(TbarSprite)
VX_FIELD(LivesSprite)
VX_FIELD(PowerUpSprites)
VX_FIELD(ShipSprite)
VX_FIELD(ShipLSprite)
VX_FIELD(ShipCSprite)
VX_FIELD(MissileSprite)
VX_FIELD(BallSprite)
VX_FIELD(BallFSprite)
VX_FIELD(Glyphs)
VX_FIELD(TextPos)
VX_FIELD(MenuSelection)
VX_FIELD(MenuShowing)
VX_FIELD(AttractTimer)
VX_FIELD(HallOfFame)
VX_FIELD(HallOfFameRead)
#undef VX_FIELD

// DirectInput key codes the game reads.
constexpr int KEY_ESCAPE = pf::DIK_ESCAPE;
constexpr int KEY_TAB = pf::DIK_TAB;
constexpr int KEY_P = pf::DIK_P;
constexpr int KEY_RETURN = pf::DIK_RETURN;
constexpr int KEY_LCTRL = pf::DIK_LCONTROL;
constexpr int KEY_S = pf::DIK_S;
constexpr int KEY_LALT = pf::DIK_LMENU;
constexpr int KEY_RCTRL = pf::DIK_RCONTROL;
constexpr int KEY_UP = pf::DIK_UP;
constexpr int KEY_LEFT = pf::DIK_LEFT;
constexpr int KEY_RIGHT = pf::DIK_RIGHT;
constexpr int KEY_DOWN = pf::DIK_DOWN;

inline bool KeyDown(int code) { return KeyState[code] != 0; }
