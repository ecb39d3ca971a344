#include "play/play_bench.h"

#include "game/data/data.h"
#include "game/display/display.h"
#include "game/play/play.h"
#include "game/shell/shell.h"
#include "pf/window.h"

namespace playtest {

pf::DWORD RecordingBackend::Ticks(pf::core::TickReason) { return ++now; }

int RecordingBackend::MessageBox(const char* text, const char* caption, pf::UINT) {
    boxes.push_back(std::string(caption ? caption : "") + ": " + (text ? text : ""));
    return pf::IDOK;
}

void RecordingBackend::Present(const uint16_t*, int) { ++presented; }

void RecordingBackend::AudioCall(const char* operation, const char* arguments) {
    audio.push_back(std::string(operation) + "(" + (arguments ? arguments : "") + ")");
}

bool RecordingBackend::Heard(const std::string& operation) const {
    for (const std::string& call : audio)
        if (call.compare(0, operation.size(), operation) == 0) return true;
    return false;
}

bool RecordingBackend::HeardSince(size_t from, const std::string& text) const {
    for (size_t i = from; i < audio.size(); ++i)
        if (audio[i].find(text) != std::string::npos) return true;
    return false;
}

void PlayBench::SetUp() {
    pf::core::ResetCore();
    pf::core::InstallBackend(&backend);
    Record = ProgramRecord{};
    ASSERT_EQ(InitGame(nullptr, 1), 1) << ErrorText;
    UsePlaySprites();
    ResetPaddleAndBall();
    for (Capsule& capsule : Capsules) capsule.kind = -1;
    for (MissilePair& shot : Missiles) shot = {-1, 0, -1, 0};
    Lives = 3;
    GameState = GS_PLAYING;
    PaintSheet();
}

void PlayBench::TearDown() {
    ReleaseKeys();
    ShutDownGame();
    pf::core::ResetCore();
    pf::core::InstallBackend(nullptr);
}

void PlayBench::ReleaseKeys() {
    for (int code = 0; code < 256; ++code) pf::core::SetKey(static_cast<uint8_t>(code), false);
}

namespace {

void Fill(int x, int y, int w, int h, uint16_t colour) {
    for (int row = y; row < y + h && row < 600; ++row) {
        auto* line = reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(OffscreenBits) +
                                                 row * OffscreenPitch);
        for (int column = x; column < x + w && column < 800; ++column) line[column] = colour;
    }
}

void Fill(const Sprite& sprite, uint16_t colour) {
    Fill(sprite.x, sprite.y, sprite.width, sprite.height, colour);
}

}  // namespace

void PlayBench::PaintSheet() {
    ASSERT_EQ(LockOffscreen(), pf::DD_OK);
    Fill(0, 0, 800, 600, 0);
    Fill(TbarSprite, PanelColour);
    Fill(560, 350, 230, 25, ScoreBoxColour);
    Fill(LivesSprite, LivesColour);
    for (const Sprite& sprite : PowerUpSprites) Fill(sprite, CapsuleColour);
    Fill(ShipSprite, ShipColour);
    Fill(ShipLSprite, ShipColour);
    Fill(ShipCSprite, ShipColour);
    Fill(MissileSprite, MissileColour);
    Fill(BallSprite, BallColour);
    Fill(BallFSprite, BallColour);
    if (BlockTypes != nullptr)
        for (int t = 0; t < BlockTypeCount; ++t)
            Fill(BlockTypes[t].frameX[0], BlockTypes[t].frameY[0], CellWidth, CellHeight,
                 BlockColour);
    UnlockOffscreen();
}

uint16_t PlayBench::BackPixel(int x, int y) {
    pf::DDSURFACEDESC desc = {};
    desc.dwSize = sizeof desc;
    if (pf::Surface_Lock(BackBuffer, nullptr, &desc, 0, nullptr) != pf::DD_OK) return 0xDEAD;
    const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + y * desc.lPitch;
    const uint16_t value = reinterpret_cast<const uint16_t*>(row)[x];
    pf::Surface_Unlock(BackBuffer, nullptr);
    return value;
}

}  // namespace playtest
