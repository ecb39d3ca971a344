// The headless test bench: runs a program's entry on a simulated desktop
// with a virtual clock, scripted input and fault injection, and reports what
// a person would have seen and heard.
//
// Virtual time: the tick count starts at Options::startTicks and advances
// 1 ms at every tick read, keyboard poll, flip-status query and message
// peek, so a run is exactly repeatable and a three-second wait costs
// microseconds. Script times count virtual milliseconds from the start of
// the run (not tick values, so a start near the 32-bit wrap works the same).
// After maxMs virtual milliseconds the next waiting call throws an exception
// of the bench's own; Run catches it and reports exit "timeout".
//
// Running a program in process, repeatedly (for example in a test):
//
//     Record = ProgramRecord{};           // the game's record, fresh
//     pf::headless::Options options;
//     options.dir = folderHoldingData;
//     pf::headless::ParseScript("100 key RETURN down\n", &options.script, &error);
//     pf::headless::Report report = pf::headless::Run(options, &WinMain, &ReadFields);
//
// Run resets the core (ResetCore) before and after the run, installs the
// bench as the backend for the run only, and runs in options.dir, returning
// to the previous working directory afterwards. The program's own record is
// the caller's to reset between runs: after a timeout it still points at
// objects that the reset has released.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pf/types.h"

namespace pf::headless {

struct ScriptEvent {
    enum class Kind { KeyDown, KeyUp, FocusLost, FocusGained, Close, KeyboardLost, KeyboardBack };
    uint32_t ms = 0;  // virtual milliseconds after the start
    Kind kind = Kind::KeyDown;
    uint8_t key = 0;  // DirectInput scan code of a key event
};

// A script: one event per line, "<ms> <event>", "#" starts a comment, blank
// lines ignored. Events: "key <NAME|code> down", "key <NAME|code> up",
// "focus lost", "focus gained", "close", "keyboard lost", "keyboard back".
// Names: ESCAPE TAB P S RETURN LCTRL RCTRL LALT UP DOWN LEFT RIGHT; codes are
// decimal or 0x hex, 0 to 255. Events are applied in time order (lines of
// equal time in file order). On a bad line: false, and *error names the line.
bool ParseScript(const std::string& text, std::vector<ScriptEvent>* events, std::string* error);

struct Fault {
    std::string operation;
    unsigned n = 1;
    int32_t code = 0;
};

// "OP:N:CODE": the Nth call (1-based) of OP returns CODE (decimal, or hex
// with 0x; hex values up to 0xFFFFFFFF are taken as their 32-bit pattern).
bool ParseFault(const std::string& text, Fault* fault, std::string* error);

// What the report tells about the program's own state, read at the end.
struct GameFields {
    int32_t state = 0;
    std::string score;  // nine digits
    int32_t level = 0;
    int32_t lives = 0;
};

struct Options {
    std::string dir;  // working directory of the run; empty: the current one
    std::vector<ScriptEvent> script;
    std::vector<Fault> faults;
    uint32_t startTicks = 0;
    uint32_t maxMs = 600000;
    std::string framesDir;  // non-empty: write frame PNGs there (created if missing;
                            // relative to the caller's folder, not to dir)
    unsigned every = 1;     // write flips every, 2 * every, ... (flip numbers from 1)
    bool keepLastFrame = false;  // copy the last shown picture into the report
    // Pull the music as a sound device would: every flip renders the samples
    // of the virtual time since the last one (44100 a second).
    bool pullAudio = false;
};

struct MessageBoxRecord {
    std::string caption;
    std::string text;
};

// One call of the audio library, as the library reports it before running:
// op is the operation's name ("OpenAudioDevice"), args its arguments as text
// ("device=0xFFFF format=0x0101 rate=44100").
struct AudioCallRecord {
    std::string op;
    std::string args;
};

struct Report {
    bool timedOut = false;     // "exit": "timeout", else "returned"
    int result = 0;            // the entry's return value when it returned
    uint32_t virtualMs = 0;    // virtual milliseconds the run lasted
    uint32_t finalTicks = 0;   // the tick count at the end
    unsigned flips = 0;        // successful flips (each one a presented frame)
    std::vector<MessageBoxRecord> messageBoxes;
    std::vector<AudioCallRecord> audioCalls;
    // FNV-1a (64-bit) of each flipped frame: the 800x600 5-6-5 pixels taken
    // as 64-bit little-endian words, four pixels each, row after row.
    std::vector<uint64_t> frameHashes;
    std::vector<std::string> filesWritten;  // in order of first write
    std::vector<std::string> framesWritten;  // PNG files written
    std::string frameError;                  // why a PNG could not be written
    std::string startError;  // why the run could not start (nothing ran)
    GameFields fields;
    std::vector<uint16_t> lastFrame;  // with keepLastFrame: 800x600, empty if none
};

using Entry = int (*)(HINSTANCE, HINSTANCE, char*, int);
using FieldsReader = GameFields (*)();

// Runs entry on the bench; fields (may be null) is called after the run.
Report Run(const Options& options, Entry entry, FieldsReader fields);

// The report as one JSON object (see ReportJson in report.cpp for the keys).
std::string ReportJson(const Report& report);

// Writes an 800x600-style 5-6-5 picture as an 8-bit RGB PNG, each channel
// widened by bit replication. False when the file cannot be written.
bool WritePng(const std::string& path, const uint16_t* pixels, int width, int height,
              int pitchPixels);

// The frame hash used in the report.
uint64_t FrameHash(const uint16_t* pixels, int width, int height, int pitchPixels);

}  // namespace pf::headless
