// The play tests' bench: the game started on the core with a virtual-clock
// backend that records what the player would hear, and the play sprites
// painted on the sheet in colours a test can find on the back buffer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/core/backend.h"
#include "play/play_setup.h"

namespace playtest {

// Virtual milliseconds advancing at every tick read; flips complete at once;
// audio calls and message boxes recorded.
class RecordingBackend : public pf::core::Backend {
public:
    pf::DWORD Ticks(pf::core::TickReason reason) override;
    int MessageBox(const char* text, const char* caption, pf::UINT type) override;
    void Present(const uint16_t* pixels, int pitchPixels) override;
    void AudioCall(const char* operation, const char* arguments) override;
    void WaitEvents() override {}
    // Runs the test's script at every event pump point (tick reads, polls,
    // flips): how a test changes keys while the game waits in a loop.
    void PumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }

    bool Heard(const std::string& operation) const;
    // True when a call from index `from` on contains the text (operation
    // name or argument).
    bool HeardSince(size_t from, const std::string& text) const;

    pf::DWORD now = 10'000;
    unsigned long pumps = 0;
    std::function<void()> onPump;
    int presented = 0;
    std::vector<std::string> audio;  // "operation(arguments)"
    std::vector<std::string> boxes;
};

// Colours of the sprites on the sheet (5-6-5).
constexpr uint16_t ShipColour = 0x07E0;
constexpr uint16_t BallColour = 0xF800;
constexpr uint16_t LivesColour = 0x001F;
constexpr uint16_t PanelColour = 0x0821;
constexpr uint16_t BlockColour = 0xFFE0;
constexpr uint16_t CapsuleColour = 0xF81F;
constexpr uint16_t MissileColour = 0x07FF;
constexpr uint16_t ScoreBoxColour = 0x4208;

class PlayBench : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Paints the play sprites' rectangles on the sheet; the block frames of
    // the level in memory too.
    void PaintSheet();
    uint16_t BackPixel(int x, int y);
    void Key(int code, bool down) { pf::core::SetKey(static_cast<uint8_t>(code), down); }
    void ReleaseKeys();

    RecordingBackend backend;
};

}  // namespace playtest
