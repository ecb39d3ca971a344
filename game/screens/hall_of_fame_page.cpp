// The hall-of-fame page of the attract loop: logo, headings and the ten rows.
#include "game/display/display.h"
#include "game/screens/screens.h"

#include <cstring>

namespace {

// Right-aligned words are drawn backwards down to a zero byte, so each one
// is stored behind one.
constexpr char LevelHeading[] = "\0Level";
constexpr char ScoreHeading[] = "\0Score";

void DrawRight(const char* text, int count, int x, int y) {
    TextPos = {x, y};
    DrawStringRight(text, TextPos, count);
}

void DrawLeft(const char* text, int x, int y) {
    TextPos = {x, y};
    DrawString(text, TextPos);
}

}  // namespace

void DrawHallOfFame() {
    ClearScreen();
    DrawSprite(MenuLogoAt.x, MenuLogoAt.y, LogoSprite, true);
    DrawLeft("ALL TIME HIGH", HallTitleAt.x, HallTitleAt.y);
    DrawRight(LevelHeading, sizeof LevelHeading - 1, HallLevelRight, HallHeadingY);
    DrawRight(ScoreHeading, sizeof ScoreHeading - 1, HallScoreRight, HallHeadingY);
    DrawLeft("Name", HallNameLeft, HallHeadingY);

    for (int k = 0; k < HallOfFameSize; ++k) {
        const HallOfFameRecord& record = HallOfFame[k];
        const int y = HallFirstRowY + HallRowStep * k;
        DrawRight(reinterpret_cast<const char*>(record.level), sizeof record.level, HallLevelRight, y);
        DrawRight(reinterpret_cast<const char*>(record.score), sizeof record.score, HallScoreRight, y);
        // The name ends at its first 0 byte, and at the end of its field
        // whatever a file holds there.
        char name[sizeof record.name + 1] = {};
        std::memcpy(name, record.name, sizeof record.name);
        DrawLeft(name, HallNameLeft, y);
    }
}
