// DirectInput: the system keyboard and mouse as whole-device snapshots.
//
// The backend sets keys, motion and buttons through the core's entry points;
// GetDeviceState copies them out. A device answers only while it is acquired
// and the application is active; the keyboard also stops answering while the
// backend reports it lost and once the user asked the program to close (so
// that waits for a key release end). Acquisition survives a focus change:
// devices that were acquired answer again as soon as the application is
// active again, whatever the program does with the activation message.
#include <cstring>
#include <unordered_set>

#include "backend.h"
#include "core_internal.h"
#include "pf/dinput.h"

namespace pf {

const GUID GUID_SysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 256};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), sizeof(DIMOUSESTATE)};

struct DirectInputObject {
    ULONG references = 1;
};

struct InputDeviceObject {
    bool keyboard = false;
    ULONG references = 1;
    DWORD dataSize = 0;  // 0 until SetDataFormat
    DWORD cooperation = 0;
    bool acquired = false;
};

namespace {

constexpr DWORD kOldestVersion = 0x0300;
constexpr int kMouseButtons = 4;

std::unordered_set<DirectInputObject*> LiveInputs;
std::unordered_set<InputDeviceObject*> LiveDevices;

struct InputState {
    BYTE keys[256] = {};
    bool keyboardAvailable = true;
    LONG motion[3] = {};
    BYTE buttons[kMouseButtons] = {};
};
InputState State;

bool Live(InputDeviceObject* device) {
    return device != nullptr && LiveDevices.count(device) != 0;
}

}  // namespace

HRESULT DirectInputCreateA(HINSTANCE /*instance*/, DWORD version, LPDIRECTINPUT* out,
                           void* outer) {
    int32_t code = 0;
    if (core::FaultDue("DirectInputCreateA", &code)) {
        if (out != nullptr) *out = nullptr;
        return code;
    }
    if (out == nullptr) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (outer != nullptr || version < kOldestVersion || version > DIRECTINPUT_VERSION)
        return DIERR_INVALIDPARAM;
    auto* object = new DirectInputObject;
    LiveInputs.insert(object);
    *out = object;
    return DI_OK;
}

ULONG DirectInput_Release(LPDIRECTINPUT object) {
    int32_t code = 0;
    if (core::FaultDue("DirectInput_Release", &code)) return 0;
    if (object == nullptr || LiveInputs.count(object) == 0) return 0;
    if (--object->references > 0) return object->references;
    LiveInputs.erase(object);
    delete object;
    return 0;
}

HRESULT DirectInput_CreateDevice(LPDIRECTINPUT object, const GUID& device,
                                 LPDIRECTINPUTDEVICE* out, void* outer) {
    int32_t code = 0;
    if (core::FaultDue("DirectInput_CreateDevice", &code)) {
        if (out != nullptr) *out = nullptr;
        return code;
    }
    if (out == nullptr) return DIERR_INVALIDPARAM;
    *out = nullptr;
    if (object == nullptr || LiveInputs.count(object) == 0 || outer != nullptr)
        return DIERR_INVALIDPARAM;
    const bool keyboard = device == GUID_SysKeyboard;
    if (!keyboard && !(device == GUID_SysMouse)) return DIERR_DEVICENOTREG;
    auto* created = new InputDeviceObject;
    created->keyboard = keyboard;
    LiveDevices.insert(created);
    *out = created;
    return DI_OK;
}

HRESULT Device_SetDataFormat(LPDIRECTINPUTDEVICE device, const DIDATAFORMAT* format) {
    int32_t code = 0;
    if (core::FaultDue("Device_SetDataFormat", &code)) return code;
    if (!Live(device) || format == nullptr) return DIERR_INVALIDPARAM;
    if (device->acquired) return DIERR_ACQUIRED;
    const DWORD wanted = device->keyboard ? c_dfDIKeyboard.dwDataSize : c_dfDIMouse.dwDataSize;
    if (format->dwDataSize != wanted) return DIERR_INVALIDPARAM;
    device->dataSize = wanted;
    return DI_OK;
}

HRESULT Device_SetCooperativeLevel(LPDIRECTINPUTDEVICE device, HWND window, DWORD flags) {
    int32_t code = 0;
    if (core::FaultDue("Device_SetCooperativeLevel", &code)) return code;
    if (!Live(device)) return DIERR_INVALIDPARAM;
    const DWORD access = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    const DWORD place = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if (access == 0 || access == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || place == 0 ||
        place == (DISCL_FOREGROUND | DISCL_BACKGROUND))
        return DIERR_INVALIDPARAM;
    if ((flags & DISCL_FOREGROUND) != 0 && window == nullptr) return DIERR_INVALIDPARAM;
    device->cooperation = flags;
    return DI_OK;
}

HRESULT Device_Acquire(LPDIRECTINPUTDEVICE device) {
    int32_t code = 0;
    if (core::FaultDue("Device_Acquire", &code)) return code;
    if (!Live(device) || device->dataSize == 0) return DIERR_INVALIDPARAM;
    device->acquired = true;
    return DI_OK;
}

HRESULT Device_Unacquire(LPDIRECTINPUTDEVICE device) {
    int32_t code = 0;
    if (core::FaultDue("Device_Unacquire", &code)) return code;
    if (!Live(device)) return DIERR_INVALIDPARAM;
    device->acquired = false;
    return DI_OK;
}

HRESULT Device_GetDeviceState(LPDIRECTINPUTDEVICE device, DWORD size, void* data) {
    // A keyboard poll is a waiting point: events arrive and time passes even
    // when the poll itself fails.
    if (Live(device) && device->keyboard) {
        core::PumpPoint();
        core::CurrentBackend().Ticks(core::TickReason::KeyboardPoll);
    }
    int32_t code = 0;
    if (core::FaultDue("Device_GetDeviceState", &code)) return code;
    if (!Live(device) || data == nullptr || device->dataSize == 0 || size != device->dataSize)
        return DIERR_INVALIDPARAM;
    if (!device->acquired) return DIERR_NOTACQUIRED;
    const bool foreground = (device->cooperation & DISCL_BACKGROUND) == 0;
    if (foreground && !core::ApplicationActive()) return DIERR_INPUTLOST;
    if (device->keyboard) {
        if (!State.keyboardAvailable || core::CloseRequested()) return DIERR_INPUTLOST;
        std::memcpy(data, State.keys, sizeof State.keys);
        return DI_OK;
    }
    DIMOUSESTATE mouse = {};
    mouse.lX = State.motion[0];
    mouse.lY = State.motion[1];
    mouse.lZ = State.motion[2];
    std::memcpy(mouse.rgbButtons, State.buttons, sizeof mouse.rgbButtons);
    std::memcpy(data, &mouse, sizeof mouse);
    // Relative axes: each read takes the motion gathered since the last one.
    State.motion[0] = State.motion[1] = State.motion[2] = 0;
    return DI_OK;
}

ULONG Device_Release(LPDIRECTINPUTDEVICE device) {
    int32_t code = 0;
    if (core::FaultDue("Device_Release", &code)) return 0;
    if (!Live(device)) return 0;
    if (--device->references > 0) return device->references;
    LiveDevices.erase(device);
    delete device;
    return 0;
}

namespace core {

void SetKey(uint8_t scanCode, bool down) { State.keys[scanCode] = down ? 0x80 : 0x00; }

void SetKeyboardAvailable(bool available) { State.keyboardAvailable = available; }

void AddMouseMotion(int dx, int dy, int dz) {
    State.motion[0] += dx;
    State.motion[1] += dy;
    State.motion[2] += dz;
}

void SetMouseButton(int button, bool down) {
    if (button < 0 || button >= kMouseButtons) return;
    State.buttons[button] = down ? 0x80 : 0x00;
}

void ResetInput() {
    for (InputDeviceObject* device : LiveDevices) delete device;
    LiveDevices.clear();
    for (DirectInputObject* object : LiveInputs) delete object;
    LiveInputs.clear();
    State = InputState{};
}

}  // namespace core
}  // namespace pf
