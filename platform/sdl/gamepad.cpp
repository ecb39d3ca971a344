#include "gamepad.h"

namespace pf::sdl {
namespace {

// The keys a pad can hold, in the order of Pad::keys.
enum PadKey { kLeft, kRight, kUp, kDown, kReturn, kControl, kPause, kEscape };
constexpr uint8_t kScanCodes[Gamepads::kKeys] = {203, 205, 200, 208, 28, 29, 25, 1};

// The stick counts as a direction past half way, and lets go below a third
// of the way, so a stick resting near the edge does not flicker.
constexpr Sint16 kStickPress = 16384;
constexpr Sint16 kStickRelease = 10923;

bool Past(Sint16 value, bool held, int sign) {
    const int v = sign * static_cast<int>(value);
    return v > (held ? kStickRelease : kStickPress);
}

}  // namespace

void Gamepads::Start() {
    for (int i = 0; i < SDL_NumJoysticks(); ++i) Open(i);
}

void Gamepads::Stop() {
    for (Pad& pad : pads_) {
        if (pad.controller != nullptr) SDL_GameControllerClose(pad.controller);
        pad = Pad{};
    }
    for (bool& key : merged_) key = false;
}

void Gamepads::Forget() {
    for (Pad& pad : pads_)
        for (bool& key : pad.keys) key = false;
    for (bool& key : merged_) key = false;
}

void Gamepads::Open(int deviceIndex) {
    if (!SDL_IsGameController(deviceIndex)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    Pad* free = nullptr;
    for (Pad& pad : pads_) {
        if (pad.controller != nullptr && pad.id == id) return;  // already open
        if (pad.controller == nullptr && free == nullptr) free = &pad;
    }
    if (free == nullptr) return;
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (controller == nullptr) return;
    free->controller = controller;
    free->id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    for (bool& key : free->keys) key = false;
}

void Gamepads::Close(SDL_JoystickID id, PadKeyTarget& target) {
    for (Pad& pad : pads_) {
        if (pad.controller == nullptr || pad.id != id) continue;
        SDL_GameControllerClose(pad.controller);
        pad = Pad{};
    }
    Publish(target);
}

void Gamepads::Read(Pad& pad) {
    SDL_GameController* c = pad.controller;
    auto button = [c](SDL_GameControllerButton b) { return SDL_GameControllerGetButton(c, b) != 0; };
    const Sint16 x = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
    const Sint16 y = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY);
    bool* k = pad.keys;
    k[kLeft] = button(SDL_CONTROLLER_BUTTON_DPAD_LEFT) || Past(x, k[kLeft], -1);
    k[kRight] = button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT) || Past(x, k[kRight], 1);
    k[kUp] = button(SDL_CONTROLLER_BUTTON_DPAD_UP) || Past(y, k[kUp], -1);
    k[kDown] = button(SDL_CONTROLLER_BUTTON_DPAD_DOWN) || Past(y, k[kDown], 1);
    k[kReturn] = button(SDL_CONTROLLER_BUTTON_A);
    k[kControl] = k[kReturn];
    k[kPause] = button(SDL_CONTROLLER_BUTTON_START);
    k[kEscape] = button(SDL_CONTROLLER_BUTTON_BACK);
}

void Gamepads::Publish(PadKeyTarget& target) {
    for (int i = 0; i < kKeys; ++i) {
        bool down = false;
        for (const Pad& pad : pads_) down = down || (pad.controller != nullptr && pad.keys[i]);
        if (down == merged_[i]) continue;
        merged_[i] = down;
        target.PadKey(kScanCodes[i], down);
    }
}

bool Gamepads::Handle(const SDL_Event& event, PadKeyTarget& target) {
    switch (event.type) {
        case SDL_CONTROLLERDEVICEADDED:
            Open(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            Close(event.cdevice.which, target);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
        case SDL_CONTROLLERAXISMOTION: {
            const SDL_JoystickID id = event.type == SDL_CONTROLLERAXISMOTION ? event.caxis.which
                                                                            : event.cbutton.which;
            for (Pad& pad : pads_)
                if (pad.controller != nullptr && pad.id == id) Read(pad);
            Publish(target);
            break;
        }
        default:
            return false;
    }
    return true;
}

}  // namespace pf::sdl
