// The game's fields in the bench's report: the final state, the score as
// nine digits, the level and the lives. Glue between the game and the bench,
// included by the velnorix-headless startup and the tests (the bench library
// itself knows nothing of the game).
#pragma once

#include "game/shell/record.h"
#include "headless.h"

namespace pf::headless {

inline GameFields ReadGameFields() {
    GameFields fields;
    fields.state = GameState;
    for (int cell = 1; cell <= 9; ++cell) {
        const int digit = ScoreDigits[cell];
        fields.score += static_cast<char>('0' + (digit >= 0 && digit <= 9 ? digit : 0));
    }
    fields.level = CurrentLevel;
    fields.lives = Lives;
    return fields;
}

}  // namespace pf::headless
