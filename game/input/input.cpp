// The keyboard and mouse devices and their polls.
#include "game/input/input.h"

#include "game/shell/shell.h"

int InitDInput() {
    DDResult = pf::DirectInputCreateA(AppInstance, pf::DIRECTINPUT_VERSION, &DInput, nullptr);
    if (DDResult != pf::DI_OK)
        return ReportError("[InitDInput] Unable to create DirectInput Object\n");

    DDResult = pf::DirectInput_CreateDevice(DInput, pf::GUID_SysKeyboard, &KeyboardDevice, nullptr);
    if (DDResult != pf::DI_OK)
        return ReportError("[InitDInput] Unable to create DirectInput Device (Keyboard)\n");
    DDResult = pf::Device_SetDataFormat(KeyboardDevice, &pf::c_dfDIKeyboard);
    if (DDResult != pf::DI_OK) return ReportError("[InitDInput] SetDataFormat failed (Keyboard)\n");
    // Non-exclusive, so that system key combinations keep working.
    DDResult = pf::Device_SetCooperativeLevel(KeyboardDevice, GameWindow,
                                              pf::DISCL_NONEXCLUSIVE | pf::DISCL_FOREGROUND);
    if (DDResult != pf::DI_OK)
        return ReportError("[InitDInput] SetCooperativeLevel failed (Keyboard)\n");
    DDResult = pf::Device_Acquire(KeyboardDevice);
    if (DDResult != pf::DI_OK)
        return ReportError("[InitDInput] Unable to Acquire DirectInputDevice (Keyboard)\n");

    DDResult = pf::DirectInput_CreateDevice(DInput, pf::GUID_SysMouse, &MouseDevice, nullptr);
    if (DDResult != pf::DI_OK)
        return ReportError("[InitDInput] Unable to create DirectInput Device (Mouse)\n");
    DDResult = pf::Device_SetDataFormat(MouseDevice, &pf::c_dfDIMouse);
    if (DDResult != pf::DI_OK) return ReportError("[InitDInput] SetDataFormat failed (Mouse)\n");
    DDResult = pf::Device_SetCooperativeLevel(MouseDevice, GameWindow,
                                              pf::DISCL_EXCLUSIVE | pf::DISCL_FOREGROUND);
    if (DDResult != pf::DI_OK)
        return ReportError("[InitDInput] SetCooperativeLevel failed (Mouse)\n");
    DDResult = pf::Device_Acquire(MouseDevice);
    if (DDResult != pf::DI_OK)
        return ReportError("[InitDInput] Unable to Acquire DirectInputDevice (Mouse)\n");

    return 1;
}

pf::HRESULT PollKeyboard() {
    DDResult = pf::Device_GetDeviceState(KeyboardDevice, sizeof KeyState, KeyState);
    return DDResult;
}

void PollMouse() {
    DDResult = pf::Device_GetDeviceState(MouseDevice, sizeof MouseState, &MouseState);
}

void WaitForKeyRelease(int key) {
    while (KeyDown(key)) {
        if (PollKeyboard() != pf::DI_OK) KeyState[key] = 0;
    }
}
