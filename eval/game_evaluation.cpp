// The evaluation of the engine's game position, for the classic search, the tuner and the tests.
#include "board/game.h"
#include "eval/evaluate.h"
#include "eval/pawn_structure.h"

PawnCache game_pawn_cache;

int32_t evaluate() {
    return evaluate(game_position, game_pawn_cache);
}
