// What the platform tests share: a fresh core per test with a recording
// backend (virtual clock, presented frames, message boxes), and a display
// made the way the game makes it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pf/ddraw.h"
#include "pf/dinput.h"
#include "pf/files.h"
#include "pf/window.h"
#include "platform/core/backend.h"
#include "support/display_setup.h"

namespace coretest {

class RecordingBackend : public pf::core::Backend {
public:
    pf::DWORD Ticks(pf::core::TickReason reason) override {
        reasons.push_back(reason);
        return now++;
    }
    void PumpEvents() override {
        ++pumps;
        if (onPump) onPump();
    }
    void Present(const uint16_t* pixels, int pitchPixels) override {
        presented.assign(pixels, pixels + 600 * pitchPixels);
        ++presents;
    }
    bool FlipDone() override { return flipDone; }
    int MessageBox(const char* text, const char* caption, pf::UINT) override {
        boxes.push_back(std::string(caption) + "|" + text);
        return pf::IDOK;
    }
    void WaitEvents() override { ++waits; }

    pf::DWORD now = 1000;
    std::vector<pf::core::TickReason> reasons;
    int pumps = 0;
    int waits = 0;
    int presents = 0;
    bool flipDone = true;
    std::vector<uint16_t> presented;
    std::vector<std::string> boxes;
    void (*onPump)() = nullptr;
};

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        pf::core::ResetCore();
        pf::core::InstallBackend(&backend);
    }
    void TearDown() override {
        pf::core::ResetCore();
        pf::core::InstallBackend(nullptr);
    }

    // DirectDraw object, flipping primary with its back buffer, an 800x600
    // offscreen surface keyed on 0, as the game sets them up.
    void MakeDisplay() {
        ASSERT_EQ(vxtest::CreateDirectDraw(&draw), pf::DD_OK);
        ASSERT_EQ(vxtest::CreateFlippingPrimary(draw, &primary, &back), pf::DD_OK);
        ASSERT_EQ(vxtest::CreateScreenSizedSurface(draw, &sheet), pf::DD_OK);
        ASSERT_EQ(vxtest::KeyOnBlack(sheet), pf::DD_OK);
    }

    // Pixel access through a lock of the whole surface.
    uint16_t Get(pf::LPDIRECTDRAWSURFACE surface, int x, int y) {
        pf::DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        EXPECT_EQ(pf::Surface_Lock(surface, nullptr, &desc, 0, nullptr), pf::DD_OK);
        const auto* row = static_cast<const uint8_t*>(desc.lpSurface) + y * desc.lPitch;
        const uint16_t value = reinterpret_cast<const uint16_t*>(row)[x];
        pf::Surface_Unlock(surface, nullptr);
        return value;
    }
    void Set(pf::LPDIRECTDRAWSURFACE surface, int x, int y, uint16_t value) {
        pf::DDSURFACEDESC desc = {};
        desc.dwSize = sizeof desc;
        ASSERT_EQ(pf::Surface_Lock(surface, nullptr, &desc, 0, nullptr), pf::DD_OK);
        auto* row = static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch;
        reinterpret_cast<uint16_t*>(row)[x] = value;
        pf::Surface_Unlock(surface, nullptr);
    }
    pf::HRESULT Fill(pf::LPDIRECTDRAWSURFACE surface, const pf::RECT* area, uint16_t colour,
                     pf::DWORD flags = pf::DDBLT_COLORFILL) {
        pf::DDBLTFX fx = {};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = colour;
        return pf::Surface_Blt(surface, area, nullptr, nullptr, flags, &fx);
    }

    RecordingBackend backend;
    pf::LPDIRECTDRAW2 draw = nullptr;
    pf::LPDIRECTDRAWSURFACE primary = nullptr;
    pf::LPDIRECTDRAWSURFACE back = nullptr;
    pf::LPDIRECTDRAWSURFACE sheet = nullptr;
};

}  // namespace coretest
