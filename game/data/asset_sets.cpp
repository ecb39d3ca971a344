// The two asset sets that fill the offscreen sheet: the menu set (menu
// pictures, font, then the hall of fame) and the play set (play pictures,
// font, the current level). Each is loaded whole inside one lock.
#include "game/data/data.h"
#include "game/display/display.h"
#include "game/shell/shell.h"

namespace {

struct MenuPicture {
    const char* file;
    Sprite* sprite;
    const char* failure;  // replaces the loader's own message
};

struct PlayPicture {
    const char* file;
    Sprite* sprite;
};

}  // namespace

int ReadMenuData() {
    ReleaseLevel();

    if (LockOffscreen() != pf::DD_OK)
        return ReportError("[ReadMenuData] Unable to lock offscreen surface\n");

    const MenuPicture pictures[] = {
        {"Data\\logo.spr", &LogoSprite, "[ReadMenuData] Unable to open file logo.spr\n"},
        {"Data\\but1.spr", &But1Sprite, "[ReadMenuData] Unable to open file but1.spr\n"},
        {"Data\\but2.spr", &But2Sprite, "[ReadMenuData] Unable to open file but2.spr\n"},
        {"Data\\selleft.spr", &SelLeftSprite, "[ReadMenuData] Unable to open file selleft.spr\n"},
        {"Data\\selrig.spr", &SelRightSprite, "[ReadMenuData] Unable to open file selright.spr\n"},
        {"Data\\version.spr", &VersionSprite, "[ReadMenuData] Unable to open file version.spr\n"},
    };
    for (const MenuPicture& picture : pictures) {
        if (!ReadSPRFile(picture.file, picture.sprite)) {
            UnlockOffscreen();
            return ReportError(picture.failure);
        }
    }
    if (!ReadFont()) {
        UnlockOffscreen();
        return ReportError("[ReadMenuData] Unable to open file font.spr\n");
    }
    UnlockOffscreen();

    if (!ReadHiscoreTable()) return ReportError("[ReadMenuData] Unable to open file hiscore.dat\n");

    MenuShowing = 1;
    AttractTimer = 0;
    return 1;
}

int ReadGameData() {
    if (LockOffscreen() != pf::DD_OK)
        return ReportError("[ReadGameData] Unable to lock offscreen surface\n");

    // The capsule pictures fill their slots in this order: w before a and b.
    const PlayPicture pictures[] = {
        {"Data\\tbar.spr", &TbarSprite},
        {"Data\\lives.spr", &LivesSprite},
        {"Data\\pwrup_p.spr", &PowerUpSprites[CK_LONG_SHIP]},
        {"Data\\pwrup_r.spr", &PowerUpSprites[CK_NORMAL]},
        {"Data\\pwrup_s.spr", &PowerUpSprites[CK_BONUS]},
        {"Data\\pwrup_m.spr", &PowerUpSprites[CK_CANNON_SHIP]},
        {"Data\\pwrup_f.spr", &PowerUpSprites[CK_FIRE_BALL]},
        {"Data\\pwrup_w.spr", &PowerUpSprites[CK_WARP]},
        {"Data\\pwrup_a.spr", &PowerUpSprites[CK_FIRE_MULTI_BALL]},
        {"Data\\pwrup_b.spr", &PowerUpSprites[CK_MULTI_BALL]},
        {"Data\\ship.spr", &ShipSprite},
        {"Data\\shipl.spr", &ShipLSprite},
        {"Data\\shipc.spr", &ShipCSprite},
        {"Data\\missile.spr", &MissileSprite},
        {"Data\\ball.spr", &BallSprite},
        {"Data\\ballf.spr", &BallFSprite},
    };
    // The failing loader's own message is the one shown.
    for (const PlayPicture& picture : pictures) {
        if (!ReadSPRFile(picture.file, picture.sprite)) {
            UnlockOffscreen();
            return 0;
        }
        if (picture.sprite == &ShipSprite) CurrentShipSprite = &ShipSprite;
        if (picture.sprite == &BallSprite) CurrentBallSprite = &BallSprite;
    }
    if (!ReadFont() || !ReadLevelData(static_cast<uint32_t>(CurrentLevel))) {
        UnlockOffscreen();
        return 0;
    }

    UnlockOffscreen();
    return 1;
}
