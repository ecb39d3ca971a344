// Gamepads through SDL's game-controller interface, read as the keys the
// game knows: d-pad and left stick as the arrow keys, the south button as
// Return and left Ctrl (the menu and the name entry take Return, play fires
// with Ctrl), start as P, back as Escape. Pads come and go while the game
// runs; a pad that goes lets go of its keys.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace pf::sdl {

// Receives the pads' keys (DirectInput codes), merged over every pad.
class PadKeyTarget {
public:
    virtual void PadKey(uint8_t scanCode, bool down) = 0;

protected:
    ~PadKeyTarget() = default;
};

class Gamepads {
public:
    // Opens the pads already present; later ones arrive as events.
    void Start();
    // Closes every pad (the keys they hold are not released: SDL is ending).
    void Stop();
    // Takes the controller events; true when the event was one.
    bool Handle(const SDL_Event& event, PadKeyTarget& target);
    // Forgets which keys the pads hold (the game lost the focus and let go
    // of every key); the next pad event reports the held ones again.
    void Forget();

    static constexpr int kKeys = 8;

private:
    static constexpr int kMaxPads = 8;
    struct Pad {
        SDL_GameController* controller = nullptr;
        SDL_JoystickID id = -1;
        bool keys[kKeys] = {};
    };

    void Open(int deviceIndex);
    void Close(SDL_JoystickID id, PadKeyTarget& target);
    void Read(Pad& pad);
    void Publish(PadKeyTarget& target);

    Pad pads_[kMaxPads];
    bool merged_[kKeys] = {};
};

}  // namespace pf::sdl
