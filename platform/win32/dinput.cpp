// DirectInput version 5: the real DirectInput object and the system keyboard
// and mouse devices. The seam's handles are the real interface pointers and
// every result is the real one.
//
// The seam's two data formats stand for DirectInput's predefined ones; no
// other format can be described through the seam, so any other is refused.
// A failed poll leaves the caller's state untouched, as the seam promises,
// whatever the driver writes into its buffer. A keyboard polled again and
// again without change (the game's key-release waits and its pause) gives
// the processor back: the third poll in one millisecond sleeps a millisecond.
#include <cstring>

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
    const ::DWORD now = ::GetTickCount();
    const bool same = device == Polls.device && now == Polls.tick && result == Polls.result &&
                      (result != DI_OK || std::memcmp(state, Polls.last, kLargestState) == 0);
    Polls.samePolls = same ? Polls.samePolls + 1 : 0;
    Polls.device = device;
    Polls.result = result;
    Polls.tick = now;
    if (result == DI_OK) std::memcpy(Polls.last, state, kLargestState);
    if (Polls.samePolls >= kPollsBeforeSleep) {
        ::Sleep(1);
        Polls.samePolls = 0;
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
    return Real(device)->SetDataFormat(real);
}

HRESULT Device_SetCooperativeLevel(LPDIRECTINPUTDEVICE device, HWND window, DWORD flags) {
    return Real(device)->SetCooperativeLevel(reinterpret_cast<::HWND>(window), flags);
}

HRESULT Device_Acquire(LPDIRECTINPUTDEVICE device) { return Real(device)->Acquire(); }

HRESULT Device_Unacquire(LPDIRECTINPUTDEVICE device) { return Real(device)->Unacquire(); }

HRESULT Device_GetDeviceState(LPDIRECTINPUTDEVICE device, DWORD size, void* data) {
    // Read into a buffer of our own; the caller's changes only on success.
    BYTE state[kLargestState];
    if (data == nullptr || size > kLargestState) return Real(device)->GetDeviceState(size, data);
    const HRESULT result = Real(device)->GetDeviceState(size, state);
    if (result == DI_OK) std::memcpy(data, state, size);
    PaceRepeatedPoll(Real(device), result, state, size);
    return result;
}

ULONG Device_Release(LPDIRECTINPUTDEVICE device) { return Real(device)->Release(); }

}  // namespace pf
