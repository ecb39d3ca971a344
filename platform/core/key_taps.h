// The game's keys as the keyboard and the gamepads of a backend hold them. The game reads
// the keyboard as snapshots, once a frame at most: a key let go before any
// poll has seen it down stays down until one poll has.
#pragma once

#include <cstdint>

namespace pf::core {

class KeyTaps {
public:
    enum Source { kKeyboard, kPad };

    // A key (DirectInput code) goes down or up on the keyboard or on a pad;
    // the game's key is down while either holds it.
    void Set(Source source, uint8_t dik, bool down);
    // A keyboard poll reads the state right after this: the keys pressed so
    // far count as seen.
    void PollComing();
    // Lets go of the taps that a poll has seen; true when any went up.
    bool ReleaseSeen();
    // Lets go of every key (the focus went elsewhere).
    void ReleaseAll();
    // The key went up but is held down until a poll has seen it.
    bool ReleasePending(uint8_t dik) const { return releaseDue_[dik]; }

private:
    void Apply(int dik);

    bool held_[256] = {};              // down in the core's state
    bool keyboardHeld_[256] = {};      // down on the keyboard
    bool padHeld_[256] = {};           // down on a gamepad
    bool pressedSincePoll_[256] = {};  // went down after the last keyboard poll
    bool releaseDue_[256] = {};        // went up, kept down for one poll
    bool tapsPending_ = false;
};

}  // namespace pf::core
