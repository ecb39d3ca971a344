// A song as read from a music source file: tempo, instruments (recipes for
// the sample synthesiser), channels, patterns of notes and the order list.
// The text format is described in assets/music/README.md.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vxm {

// A fault in a source file, located by file name and line number.
class SourceError : public std::runtime_error {
public:
  SourceError(const std::string& file, int line, const std::string& message)
      : std::runtime_error(file + ":" + std::to_string(line) + ": error: " + message) {}
};

enum class Wave { Sine, Triangle, Saw, Square, Pulse, Kick, Snare, Hat, Noise };

struct EnvelopePoint {
  int tick = 0;   // 0..65535 ticks from the note start
  int level = 0;  // 0..64
};

// How to compute one instrument's sample, and how the player treats it.
struct Recipe {
  std::string name;
  int line = 0;
  Wave wave = Wave::Sine;
  double width = 0.5;      // pulse width (Pulse)
  int harmonics = 32;      // most harmonics of a pitched wave
  double cutoff = 0.0;     // pitched: low-pass corner as a harmonic number; drums: Hz; 0 = none
  int voices = 1;          // unison voices
  double detune = 0.0;     // cents between the outermost unison voices
  int base = 49;           // note the sample is computed at (XM note number, 49 = C4)
  int note = 0;            // note played by "x" (0 = base)
  double length = 0.0;     // one-shot length in seconds; 0 = looped sustained wave
  double decay = 0.0;      // one-shot amplitude time constant in seconds; 0 = none
  double damping = 0.0;    // one-shot: extra decay per harmonic above the first, per second
  double attack = 0.002;   // one-shot fade-in in seconds
  double pitchStart = 150.0, pitchEnd = 45.0;  // kick sweep (Hz)
  double sweep = 0.04;     // kick sweep time constant (s)
  double tone = 180.0;     // snare body (Hz)
  double noise = 0.5;      // noise share (Kick click, Snare)
  double drive = 0.0;      // soft saturation amount (0 = clean)
  std::uint32_t seed = 1;  // noise generator seed
  int volume = 64;         // default note volume 0..64
  int pan = 128;           // 0 left .. 255 right
  std::vector<EnvelopePoint> envelope;  // volume envelope, empty = none
  int sustain = -1;        // envelope point index held while the key is down, -1 = none
  int fadeout = 0;         // volume fade speed after key-off, 0..4095
  int vibratoDepth = 0, vibratoRate = 0, vibratoSweep = 0;  // auto-vibrato
};

// One row of one channel. note: 0 none, 1..96 notes, 97 key off.
struct Cell {
  int note = 0;
  int instrument = 0;  // 1-based; 0 none
  int volume = -1;     // 0..64, -1 none
  int effect = -1;     // XM effect number 0..35, -1 none
  int param = 0;
};

struct Channel {
  std::string name;
  int line = 0;
  int instrument = 0;  // 1-based default instrument
  int volume = 64;     // scales every note of the channel
  int pan = -1;        // -1 = the instrument's own
};

struct Pattern {
  std::string name;
  int line = 0;
  int rows = 64;
  std::vector<Cell> cells;  // rows * channel count, row-major
};

struct Song {
  std::string title;
  int tempo = 125;  // beats per minute with four rows a beat at speed 6
  int speed = 6;    // ticks per row
  int master = 64;  // scales every note volume
  int restart = 0;  // order position the song jumps back to at its end (0-based)
  std::vector<Recipe> instruments;
  std::vector<Channel> channels;
  std::vector<Pattern> patterns;
  std::vector<int> order;  // pattern indices
};

// Reads a song from source text; throws SourceError naming file:line.
Song ParseSong(const std::string& text, const std::string& fileName);

// Highest note each instrument plays anywhere in the song (index = instrument
// - 1), or 0 when it plays none; lets the synthesiser keep harmonics below
// the audible limit.
std::vector<int> HighestNotes(const Song& song);

}  // namespace vxm
