// The program's fields in the bench's report (pf/program_fields.h): included
// by the velnorix-headless startup and the tests, which link the game; the
// bench library itself knows nothing of the game.
#pragma once

#include "headless.h"
#include "pf/program_fields.h"

namespace pf::headless {

inline GameFields ReadGameFields() {
    const ProgramFields program = ReadProgramFields();
    GameFields fields;
    fields.state = program.state;
    fields.score = program.score;
    fields.level = program.level;
    fields.lives = program.lives;
    return fields;
}

}  // namespace pf::headless
