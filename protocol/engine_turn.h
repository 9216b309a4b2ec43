// The engine's turn: when it is to move it searches, plays and announces its move, and
// adjudicates the end of the game.
#pragma once

#include <cstdint>
#include <ctime>

#include "base/engine_state.h"

// Runs a search and plays its move when engine_side is to move and force mode is off;
// otherwise does nothing.
void engine_turn();
