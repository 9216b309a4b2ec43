#include "protocol/engine_turn.h"

#include "board/position.h"
#include "protocol/command_loop.h"

int32_t game_state = IN_PROGRESS;

void engine_turn() {
    if (engine_side != side_to_move || force_mode) return;
}
