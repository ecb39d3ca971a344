// What a program on the test bench tells the bench's report about its own
// state at the end of a run. Not a Windows interface: the game defines
// ReadProgramFields (its state, score, level and lives), and the bench's
// startup hands it to the bench, which knows nothing else of the game.
#pragma once

#include <cstdint>

namespace pf {

struct ProgramFields {
    int32_t state = 0;
    char score[10] = {};  // nine decimal digits and a NUL
    int32_t level = 0;
    int32_t lives = 0;
};

// Defined by the program.
ProgramFields ReadProgramFields();

}  // namespace pf
