// DirectInput version 5: the real DirectInput object and the system keyboard
// and mouse devices. The seam's handles are the real interface pointers and
// every result is the real one.
//
// The seam's two data formats stand for DirectInput's predefined ones; no
// other format can be described through the seam, so any other is refused.
// A failed poll leaves the caller's state untouched, as the seam promises,
// whatever the driver writes into its buffer.
//
// The keyboard keeps the rule of the other backends that a key pressed and
// released between two polls is reported down for one poll: it also reads
// DirectInput's buffered key events, and a key that went down since the last
// poll but reads up in the snapshot is set down in that poll's state. So a
// short tap is never lost, however far apart the game's polls are.
//
// A keyboard polled again and again without change (the game's key-release
// waits and its pause) gives the processor back: the third equal poll within
// a millisecond waits for the keyboard's next event, at most a few
// milliseconds, so a key change ends the wait at once.
#include <cstring>

#include "gamepad.h"
#include "pacing.h"
#include "screen_mode.h"
#include "trace.h"
#include "win32.h"

namespace pf {

const GUID GUID_SysKeyboard = {
    0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_SysMouse = {
    0x6F1D2B60, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const DIDATAFORMAT c_dfDIKeyboard = {sizeof(DIDATAFORMAT), 256};
const DIDATAFORMAT c_dfDIMouse = {sizeof(DIDATAFORMAT), sizeof(DIMOUSESTATE)};

namespace {

static_assert(sizeof(DIMOUSESTATE) == sizeof(::DIMOUSESTATE));

::IDirectInputA* Real(LPDIRECTINPUT object) { return reinterpret_cast<::IDirectInputA*>(object); }
::IDirectInputDeviceA* Real(LPDIRECTINPUTDEVICE device) {
    return reinterpret_cast<::IDirectInputDeviceA*>(device);
}

constexpr DWORD kLargestState = 256;
constexpr int kPollsBeforeSleep = 2;
constexpr ::DWORD kIdlePollWaitMs = 8;
constexpr ::DWORD kKeyEvents = 128;

// The system keyboard once its data format is set: its buffered events and
// the event DirectInput signals at every key change (null when refused).
struct Keyboard {
    ::IDirectInputDeviceA* device = nullptr;
    ::HANDLE changed = nullptr;
    bool buffered = false;
};
Keyboard TheKeyboard;

struct KeyboardPolls {
    ::IDirectInputDeviceA* device = nullptr;
    HRESULT result = DI_OK;
    BYTE last[kLargestState] = {};
    ::DWORD tick = 0;
    int samePolls = 0;
};
KeyboardPolls Polls;

// Sleeps a millisecond when the keyboard gave the same answer (the same
// state, or the same failure) for the third time within one millisecond.
void PaceRepeatedPoll(::IDirectInputDeviceA* device, HRESULT result, const BYTE* state,
                      DWORD size) {
    if (size != kLargestState) return;  // the mouse is read once a frame
    win32::KeyboardPollPoint();
    const ::DWORD now = ::GetTickCount();
    const bool same = device == Polls.device && now == Polls.tick && result == Polls.result &&
                      (result != DI_OK || std::memcmp(state, Polls.last, kLargestState) == 0);
    Polls.samePolls = same ? Polls.samePolls + 1 : 0;
    Polls.device = device;
    Polls.result = result;
    Polls.tick = now;
    if (result == DI_OK) std::memcpy(Polls.last, state, kLargestState);
    if (Polls.samePolls >= kPollsBeforeSleep) {
        if (device == TheKeyboard.device && TheKeyboard.changed != nullptr)
            ::WaitForSingleObject(TheKeyboard.changed, kIdlePollWaitMs);
        else
            ::Sleep(1);
        Polls.samePolls = 0;
    }
}

// Asks the keyboard to keep its key events and to signal their arrival; the
// device is not acquired yet (the data format is set first).
void PrepareKeyboard(::IDirectInputDeviceA* device) {
    TheKeyboard.device = device;
    ::DIPROPDWORD size = {};
    size.diph.dwSize = sizeof size;
    size.diph.dwHeaderSize = sizeof size.diph;
    size.diph.dwObj = 0;
    size.diph.dwHow = DIPH_DEVICE;
    size.dwData = kKeyEvents;
    TheKeyboard.buffered = device->SetProperty(
        *reinterpret_cast<const ::GUID*>(static_cast<uintptr_t>(1)),  // DIPROP_BUFFERSIZE
        &size.diph) == DI_OK;
    if (TheKeyboard.changed == nullptr)
        TheKeyboard.changed = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (TheKeyboard.changed != nullptr &&
        device->SetEventNotification(TheKeyboard.changed) != DI_OK) {
        ::CloseHandle(TheKeyboard.changed);
        TheKeyboard.changed = nullptr;
    }
    win32::Trace("keyboard: buffered %d, notified %d", TheKeyboard.buffered ? 1 : 0,
                 TheKeyboard.changed != nullptr ? 1 : 0);
}

// Sets down, in a fresh snapshot, every key that went down since the last
// poll and reads up now: pressed and released between two polls.
void AddTaps(::IDirectInputDeviceA* device, BYTE* state) {
    if (device != TheKeyboard.device || !TheKeyboard.buffered) return;
    ::DIDEVICEOBJECTDATA events[kKeyEvents];
    for (;;) {
        ::DWORD count = kKeyEvents;
        const HRESULT result =
            device->GetDeviceData(sizeof(::DIDEVICEOBJECTDATA), events, &count, 0);
        if ((result != DI_OK && result != DI_BUFFEROVERFLOW) || count == 0) return;
        for (::DWORD i = 0; i < count; ++i) {
            const ::DWORD key = events[i].dwOfs;
            win32::Trace("key: %lu %s", static_cast<unsigned long>(key),
                         (events[i].dwData & 0x80) != 0 ? "down" : "up");
            win32::DisplayKeyEvent(key, (events[i].dwData & 0x80) != 0);
            if (key < kLargestState && (events[i].dwData & 0x80) != 0 && state[key] == 0) {
                state[key] = 0x80;
                win32::Trace("tap: %lu", static_cast<unsigned long>(key));
            }
        }
        if (count < kKeyEvents) return;
    }
}

}  // namespace

HRESULT DirectInputCreateA(HINSTANCE instance, DWORD version, LPDIRECTINPUT* out, void* outer) {
    ::IDirectInputA* object = nullptr;
    const HRESULT result =
        ::DirectInputCreateA(reinterpret_cast<::HINSTANCE>(instance), version,
                             out != nullptr ? &object : nullptr, static_cast<::IUnknown*>(outer));
    if (out != nullptr) *out = reinterpret_cast<LPDIRECTINPUT>(object);
    return result;
}

ULONG DirectInput_Release(LPDIRECTINPUT object) { return Real(object)->Release(); }

HRESULT DirectInput_CreateDevice(LPDIRECTINPUT object, const GUID& device, LPDIRECTINPUTDEVICE* out,
                                 void* outer) {
    ::GUID realDevice = {};
    realDevice.Data1 = device.data1;
    realDevice.Data2 = device.data2;
    realDevice.Data3 = device.data3;
    for (int i = 0; i < 8; ++i) realDevice.Data4[i] = device.data4[i];
    ::IDirectInputDeviceA* created = nullptr;
    const HRESULT result = Real(object)->CreateDevice(
        realDevice, out != nullptr ? &created : nullptr, static_cast<::IUnknown*>(outer));
    if (out != nullptr) *out = reinterpret_cast<LPDIRECTINPUTDEVICE>(created);
    return result;
}

HRESULT Device_SetDataFormat(LPDIRECTINPUTDEVICE device, const DIDATAFORMAT* format) {
    const ::DIDATAFORMAT* real = nullptr;
    if (format == &c_dfDIKeyboard)
        real = &::c_dfDIKeyboard;
    else if (format == &c_dfDIMouse)
        real = &::c_dfDIMouse;
    else
        return DIERR_INVALIDPARAM;
    const HRESULT result = Real(device)->SetDataFormat(real);
    if (result == DI_OK && format == &c_dfDIKeyboard) PrepareKeyboard(Real(device));
    if (result == DI_OK)
        win32::InputDevicesKnown(format == &c_dfDIKeyboard ? Real(device) : nullptr,
                                 format == &c_dfDIMouse ? Real(device) : nullptr);
    return result;
}

HRESULT Device_SetCooperativeLevel(LPDIRECTINPUTDEVICE device, HWND window, DWORD flags) {
    return Real(device)->SetCooperativeLevel(reinterpret_cast<::HWND>(window), flags);
}

HRESULT Device_Acquire(LPDIRECTINPUTDEVICE device) { return Real(device)->Acquire(); }

HRESULT Device_Unacquire(LPDIRECTINPUTDEVICE device) { return Real(device)->Unacquire(); }

HRESULT Device_GetDeviceState(LPDIRECTINPUTDEVICE device, DWORD size, void* data) {
    // Read into a buffer of our own; the caller's changes only on success.
    BYTE state[kLargestState];
    const bool keyboard = size == kLargestState && Real(device) == TheKeyboard.device;
    if (keyboard) win32::DisplayPoint(true);
    if (data == nullptr || size > kLargestState) return Real(device)->GetDeviceState(size, data);
    const HRESULT result = Real(device)->GetDeviceState(size, state);
    if (result == DI_OK && size == kLargestState && Real(device) == TheKeyboard.device) {
        const bool altHeld = state[0x38] != 0 || state[0xB8] != 0;  // before the taps
        AddTaps(Real(device), state);
        win32::TakeDisplayKeys(state, altHeld);  // Alt+Enter
        win32::AddPadKeys(state);
    }
    if (result == DI_OK) std::memcpy(data, state, size);
    PaceRepeatedPoll(Real(device), result, state, size);
    return result;
}

ULONG Device_Release(LPDIRECTINPUTDEVICE device) {
    win32::InputDeviceGone(Real(device));
    if (Real(device) == TheKeyboard.device) {
        Real(device)->SetEventNotification(nullptr);
        if (TheKeyboard.changed != nullptr) ::CloseHandle(TheKeyboard.changed);
        TheKeyboard = Keyboard{};
    }
    return Real(device)->Release();
}

}  // namespace pf
