// A small in-process bench for the shell tests: a virtual clock that moves one
// millisecond per reading, timed key events, recorded message boxes, and a
// fresh core and program record for every test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/backend.h"
#include "game/shell/record.h"

namespace shelltest {

struct TimedAction {
    uint32_t at;
    std::function<void()> action;
};

class ClockBackend : public pf::core::Backend {
public:
    uint32_t now = 0;
    std::vector<std::pair<std::string, std::string>> boxes;  // caption, text
    std::vector<TimedAction> actions;
    unsigned flips = 0;
    unsigned ticks = 0;

    pf::DWORD Ticks(pf::core::TickReason) override {
        ++ticks;
        return now++;
    }
    void PumpEvents() override {
        for (auto& a : actions) {
            if (a.action && static_cast<int32_t>(now - a.at) >= 0) {
                auto run = std::move(a.action);
                a.action = nullptr;
                run();
            }
        }
    }
    void Present(const uint16_t*, int) override { ++flips; }
    int MessageBox(const char* text, const char* caption, pf::UINT) override {
        boxes.emplace_back(caption ? caption : "", text ? text : "");
        return 1;
    }
};

// Every test starts from the program's start-up state on a fresh core.
class ShellTest : public ::testing::Test {
protected:
    ClockBackend backend;

    void SetUp() override {
        pf::core::ResetCore();
        pf::core::InstallBackend(&backend);
        Record = ProgramRecord{};
    }
    void TearDown() override {
        pf::core::ResetCore();
        pf::core::InstallBackend(nullptr);
        Record = ProgramRecord{};
    }
};

}  // namespace shelltest
