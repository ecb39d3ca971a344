// The game's state as the test bench reports it.
#include "game/shell/record.h"
#include "pf/program_fields.h"

namespace pf {

ProgramFields ReadProgramFields() {
    ProgramFields fields;
    fields.state = GameState;
    // ScoreDigits[0] is always 0: the score's nine digits are cells 1 to 9.
    for (int cell = 1; cell <= 9; ++cell) {
        const int digit = ScoreDigits[cell];
        fields.score[cell - 1] = static_cast<char>('0' + (digit >= 0 && digit <= 9 ? digit : 0));
    }
    fields.level = CurrentLevel;
    fields.lives = Lives;
    return fields;
}

}  // namespace pf
