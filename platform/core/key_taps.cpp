// Keys held by the keyboard or a pad, and taps kept down for one poll.
#include "key_taps.h"

#include "backend.h"

namespace pf::core {

void KeyTaps::Set(Source source, uint8_t dik, bool down) {
    (source == kKeyboard ? keyboardHeld_ : padHeld_)[dik] = down;
    if (down) {
        pressedSincePoll_[dik] = true;
        releaseDue_[dik] = false;
    } else if (!keyboardHeld_[dik] && !padHeld_[dik] && pressedSincePoll_[dik]) {
        // A tap shorter than the game's poll interval: the key stays down
        // until one poll has seen it.
        releaseDue_[dik] = true;
        tapsPending_ = true;
        return;
    }
    Apply(dik);
}

void KeyTaps::PollComing() {
    for (bool& pressed : pressedSincePoll_) pressed = false;
}

bool KeyTaps::ReleaseSeen() {
    if (!tapsPending_) return false;
    tapsPending_ = false;
    bool released = false;
    for (int dik = 0; dik < 256; ++dik) {
        if (releaseDue_[dik] && pressedSincePoll_[dik]) tapsPending_ = true;
        if (releaseDue_[dik] && !pressedSincePoll_[dik]) {
            releaseDue_[dik] = false;
            Apply(dik);
            released = true;
        }
    }
    return released;
}

void KeyTaps::ReleaseAll() {
    for (int dik = 0; dik < 256; ++dik) {
        pressedSincePoll_[dik] = false;
        releaseDue_[dik] = false;
        keyboardHeld_[dik] = false;
        padHeld_[dik] = false;
        Apply(dik);
    }
}

void KeyTaps::Apply(int dik) {
    const bool down = keyboardHeld_[dik] || padHeld_[dik];
    if (down == held_[dik]) return;
    held_[dik] = down;
    SetKey(static_cast<uint8_t>(dik), down);
}

}  // namespace pf::core
