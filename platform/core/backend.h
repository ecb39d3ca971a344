// What a backend supplies to the core. The core owns every platform object
// (surfaces, windows and the message queue, devices, files, registry, audio
// mixing); a backend only connects them to a real or a simulated desktop.
//
// Exactly one backend is installed at a time (InstallBackend); without one the
// core uses a plain backend: real clock, no display, no keyboard, message
// boxes on standard error, silent audio.
#pragma once

#include <cstdint>

#include "pf/dialog.h"
#include "pf/types.h"

namespace pf::core {

// Why the core reads the clock; the headless bench advances virtual time at
// each of these, the real backend may sleep briefly inside a waiting loop.
enum class TickReason { TickRead, KeyboardPoll, FlipStatus, MessagePeek, Other };

class Backend {
public:
    virtual ~Backend() = default;

    // Milliseconds, wrapping at 2^32. Called for every GetTickCount and at the
    // other waiting points named by TickReason.
    virtual DWORD Ticks(TickReason reason) = 0;

    // Desktop events: the backend turns them into posted messages and device
    // state through the core's entry points (PostActivation, RequestClose,
    // SetKeyboardState...). Called at every tick read, poll, flip and peek.
    virtual void PumpEvents() {}

    // The game's window was created / shown / hidden.
    virtual void WindowCreated(HWND /*window*/, const char* /*title*/, int /*width*/,
                               int /*height*/) {}
    virtual void WindowShown(HWND /*window*/, bool /*visible*/) {}
    virtual void CursorShown(bool /*visible*/) {}

    // Display mode and presentation. Present is called by a successful flip
    // with the 800x600 5-6-5 picture; FlipDone answers the flip-status query
    // (false while the previous presentation waits for the display's refresh).
    virtual bool SetDisplayMode(int /*width*/, int /*height*/, int /*bpp*/) { return true; }
    virtual void Present(const uint16_t* /*pixels*/, int /*pitchPixels*/) {}
    virtual bool FlipDone() { return true; }

    // Message box: returns the button pressed (IDOK).
    virtual int MessageBox(const char* text, const char* caption, UINT type) = 0;

    // GetMessageA found the queue empty: block until some desktop event may
    // have posted a message (the default sleeps a millisecond).
    virtual void WaitEvents();

    // Dialogs (the installer). CreateDialog shows the template's controls for
    // the window; control text is kept by the backend while the dialog lives.
    // Button presses are posted as WM_COMMAND with the control id.
    virtual bool CreateDialog(HWND /*window*/, const DialogTemplate* /*dialog*/) { return false; }
    virtual unsigned GetControlText(HWND /*window*/, int /*id*/, char* buffer, int size) {
        if (size > 0) buffer[0] = 0;
        return 0;
    }
    virtual bool SetControlText(HWND /*window*/, int /*id*/, const char* /*text*/) { return false; }
    // The folder browser: true with a path (at most MAX_PATH bytes with NUL)
    // when the user chose a folder.
    virtual bool BrowseForFolder(HWND /*owner*/, const char* /*title*/, char* /*path*/) {
        return false;
    }

    // Audio output. Open starts pulling interleaved 16-bit stereo frames from
    // the core's mixer (MixAudio) at the given rate; false if no output at all
    // can be had. The backend records or plays what it pulls.
    virtual bool OpenAudio(int /*rate*/) { return true; }
    virtual void CloseAudio() {}
    // Called by the core for every audio library operation, with its
    // arguments as text, before the operation runs (the bench records them).
    virtual void AudioCall(const char* /*operation*/, const char* /*arguments*/) {}

    // A file was opened for writing or replaced (the path as the program
    // named it, separators made "/"); the bench lists the files a run wrote.
    virtual void FileWritten(const char* /*path*/) {}
};

void InstallBackend(Backend* backend);
Backend& CurrentBackend();

// --- Entry points for backends -------------------------------------------

// Posts WM_ACTIVATEAPP (active 1 or 0) to the game window. A focus change
// that undoes one still waiting in the queue cancels it, so the queue holds
// only the net change. Also makes the keyboard unavailable while inactive
// and available again (re-acquired if it was acquired) when active.
void PostActivation(bool active);
// The user asked the program to end (window close button, desktop quit):
// from now on WM_CLOSE is sent to the window procedure at every event pump.
void RequestClose();
bool CloseRequested();
// Sets one key (DirectInput scan code) down or up in the keyboard state.
void SetKey(uint8_t scanCode, bool down);
// The keyboard stops answering (GetDeviceState fails with DIERR_INPUTLOST)
// or answers again.
void SetKeyboardAvailable(bool available);
// Adds mouse motion and button state.
void AddMouseMotion(int dx, int dy, int dz);
void SetMouseButton(int button, bool down);
// Every surface loses its memory (a display mode change, a device reset):
// blits, locks and flips return DDERR_SURFACELOST until the surface is
// restored, and a restored surface starts out black.
void LoseSurfaces();

// Fills frames of interleaved stereo samples from the music being played
// (silence when none). Safe to call from the audio thread.
void MixAudio(int16_t* out, int frames);
// Stops the music, frees every module and closes the output (the audio part
// of ResetCore).
void ResetAudio();

// --- Fault injection --------------------------------------------------------

// The Nth call (1-based, counted from this AddFault) of the named operation
// returns code instead of running. Operation names are the platform function
// names without their namespace, for instance "Surface_Flip" or
// "CreateFileA"; "alloc" names every memory allocation (GlobalAlloc) and
// fails it with a null result.
void AddFault(const char* operation, unsigned n, int32_t code);
void ClearFaults();
// Called at the start of every platform operation: true when this call must
// fail, with *code set.
bool FaultDue(const char* operation, int32_t* code);

// What the global memory and file layers hold, for leak checks in tests:
// allocations and frees since ResetCore, blocks and open files now.
struct ResourceCounts {
    unsigned allocations;
    unsigned frees;
    unsigned liveBlocks;
    unsigned openFiles;
};
ResourceCounts CurrentResourceCounts();

// Returns the core to its state at program start (objects, queue, devices,
// faults, open files); for the bench between runs in one process.
void ResetCore();

}  // namespace pf::core

namespace pf {

// For tests and benchmarks of the core's audio library: renders frames of
// interleaved stereo samples of the module that plays, as the output would
// pull them, without any device pulling. Returns 0 when a module was
// rendered; silence and non-zero when none plays.
int32_t RenderAudioFrames(int16_t* out, uint32_t frames);

}  // namespace pf
