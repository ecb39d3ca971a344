// The sample synthesiser: turns an instrument recipe into 16-bit sample data
// with the tuning (relative note and finetune) a module player needs.
// Everything is computed from the recipe alone, so the same recipe always
// gives the same samples.
#pragma once

#include <cstdint>
#include <vector>

#include "song.h"

namespace vxm {

struct Sample {
  std::vector<std::int16_t> data;
  int loopStart = 0;   // in samples
  int loopLength = 0;  // in samples, 0 = no loop
  int relativeNote = 0;  // semitones added to every note
  int finetune = 0;      // 1/128 semitone, -128..127
};

// XM note number (1 = C0, 49 = C4, 58 = A4) to its pitch in Hz (A4 = 440).
double NoteHz(int note);

// highestNote: the highest note the song plays with this instrument (0 when
// unknown); harmonics that would pass 18 kHz there are left out.
Sample Synthesise(const Recipe& recipe, int highestNote);

}  // namespace vxm
