// Gamepads read through XInput (xinput1_4, xinput1_3 or xinput9_1_0,
// whichever loads), else through winmm's joystick interface; see gamepad.h.
//
// For the Wine tests, which have no pad: when the environment variable
// VX_PAD_FILE names a file, its first line "buttons x y" (numbers, buttons in
// hex) is the reading of one connected pad, in place of the system's pads.
#include "gamepad.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "trace.h"
#include "win32.h"

namespace pf::win32 {
namespace {

constexpr uint8_t kScanCodes[kPadKeys] = {203, 205, 200, 208, 28, 29, 25, 1};
constexpr int kStickPress = 16384;
constexpr int kStickRelease = 10923;
constexpr int kSlots = 4;
constexpr ::DWORD kReadEveryMs = 4;
constexpr ::DWORD kLookForPadsEveryMs = 2000;

bool Past(int value, bool held, int sign) {
    return sign * value > (held ? kStickRelease : kStickPress);
}

struct XInputGamepad {
    ::WORD wButtons;
    ::BYTE bLeftTrigger;
    ::BYTE bRightTrigger;
    ::SHORT sThumbLX;
    ::SHORT sThumbLY;
    ::SHORT sThumbRX;
    ::SHORT sThumbRY;
};
struct XInputState {
    ::DWORD dwPacketNumber;
    XInputGamepad Gamepad;
};
using GetStateFunction = ::DWORD(WINAPI*)(::DWORD, XInputState*);

struct Pads {
    bool started = false;
    GetStateFunction getState = nullptr;  // XInput, or null: winmm
    char fakeFile[MAX_PATH] = {};
    bool connected[kSlots] = {};
    bool held[kSlots][kPadKeys] = {};
    ::DWORD lastRead = 0;
    ::DWORD lastLook = 0;
    bool looked = false;
};
Pads ThePads;

void Start() {
    ThePads.started = true;
    const ::DWORD length = ::GetEnvironmentVariableA("VX_PAD_FILE", ThePads.fakeFile, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) ThePads.fakeFile[0] = 0;
    if (ThePads.fakeFile[0] != 0) {
        Trace("pads: from %s", ThePads.fakeFile);
        return;
    }
    for (const char* name : {"xinput1_4.dll", "xinput1_3.dll", "xinput9_1_0.dll"}) {
        if (const ::HMODULE module = ::LoadLibraryA(name)) {
            ThePads.getState = reinterpret_cast<GetStateFunction>(
                reinterpret_cast<void*>(::GetProcAddress(module, "XInputGetState")));
            if (ThePads.getState != nullptr) {
                Trace("pads: XInput from %s", name);
                return;
            }
        }
    }
    Trace("pads: joystick interface");
}

// The fake pad's reading; false when the file cannot be read.
bool ReadFakePad(PadReading* reading) {
    const ::HANDLE file = ::CreateFileA(ThePads.fakeFile, GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char text[64] = {};
    ::DWORD read = 0;
    const ::BOOL ok = ::ReadFile(file, text, sizeof text - 1, &read, nullptr);
    ::CloseHandle(file);
    if (!ok) return false;
    text[read] = 0;
    char* end = nullptr;
    reading->buttons = static_cast<uint16_t>(std::strtoul(text, &end, 16));
    reading->x = static_cast<int16_t>(std::strtol(end, &end, 10));
    reading->y = static_cast<int16_t>(std::strtol(end, &end, 10));
    return true;
}

// A winmm joystick as an XInput pad: buttons 1, 7 and 8 are A, back and
// start (the order of an XInput pad seen as a joystick), the point of view
// hat is the d-pad, X and Y the stick.
bool ReadJoystick(unsigned id, PadReading* reading) {
    ::JOYINFOEX info = {};
    info.dwSize = sizeof info;
    info.dwFlags = JOY_RETURNALL;
    if (::joyGetPosEx(id, &info) != JOYERR_NOERROR) return false;
    uint16_t buttons = 0;
    if (info.dwButtons & 0x01) buttons |= kPadA;
    if (info.dwButtons & 0x40) buttons |= kPadBack;
    if (info.dwButtons & 0x80) buttons |= kPadStart;
    const ::DWORD pov = info.dwPOV;
    if (pov <= 35999) {
        if (pov > 27000 || pov < 9000) buttons |= kPadUp;
        if (pov > 0 && pov < 18000) buttons |= kPadRight;
        if (pov > 9000 && pov < 27000) buttons |= kPadDown;
        if (pov > 18000) buttons |= kPadLeft;
    }
    reading->buttons = buttons;
    reading->x = static_cast<int16_t>(static_cast<int>(info.dwXpos) - 32768);
    reading->y = static_cast<int16_t>(32767 - static_cast<int>(info.dwYpos));
    return true;
}

bool ReadSlot(int slot, bool lookForNew, PadReading* reading) {
    if (ThePads.fakeFile[0] != 0) return slot == 0 && ReadFakePad(reading);
    if (!ThePads.connected[slot] && !lookForNew) return false;
    if (ThePads.getState != nullptr) {
        XInputState state = {};
        if (ThePads.getState(static_cast<::DWORD>(slot), &state) != ERROR_SUCCESS) return false;
        reading->buttons = state.Gamepad.wButtons;
        reading->x = state.Gamepad.sThumbLX;
        reading->y = state.Gamepad.sThumbLY;
        return true;
    }
    return ReadJoystick(static_cast<unsigned>(slot), reading);
}

}  // namespace

void MapPad(const PadReading& r, bool held[kPadKeys]) {
    const auto button = [&r](uint16_t bit) { return (r.buttons & bit) != 0; };
    held[0] = button(kPadLeft) || Past(r.x, held[0], -1);
    held[1] = button(kPadRight) || Past(r.x, held[1], 1);
    held[2] = button(kPadUp) || Past(r.y, held[2], 1);
    held[3] = button(kPadDown) || Past(r.y, held[3], -1);
    held[4] = button(kPadA);
    held[5] = held[4];
    held[6] = button(kPadStart);
    held[7] = button(kPadBack);
}

void AddPadKeys(uint8_t* state) {
    if (!ThePads.started) Start();
    const ::DWORD now = ::GetTickCount();
    if (ThePads.looked && now - ThePads.lastRead < kReadEveryMs) {
        // Between reads the pads hold what they held.
    } else {
        const bool lookForNew = !ThePads.looked || now - ThePads.lastLook >= kLookForPadsEveryMs;
        if (lookForNew) ThePads.lastLook = now;
        ThePads.looked = true;
        ThePads.lastRead = now;
        for (int slot = 0; slot < kSlots; ++slot) {
            PadReading reading;
            const bool was = ThePads.connected[slot];
            ThePads.connected[slot] = ReadSlot(slot, lookForNew, &reading);
            bool before[kPadKeys];
            std::copy(ThePads.held[slot], ThePads.held[slot] + kPadKeys, before);
            if (ThePads.connected[slot]) {
                MapPad(reading, ThePads.held[slot]);
            } else {
                for (bool& key : ThePads.held[slot]) key = false;
            }
            for (int key = 0; key < kPadKeys; ++key)
                if (ThePads.held[slot][key] != before[key])
                    Trace("pad %d key: %u %s", slot, static_cast<unsigned>(kScanCodes[key]),
                          ThePads.held[slot][key] ? "down" : "up");
            if (ThePads.connected[slot] != was)
                Trace("pad %d: %s", slot, ThePads.connected[slot] ? "connected" : "gone");
        }
    }
    for (int slot = 0; slot < kSlots; ++slot)
        for (int key = 0; key < kPadKeys; ++key)
            if (ThePads.held[slot][key]) state[kScanCodes[key]] = 0x80;
}

}  // namespace pf::win32
