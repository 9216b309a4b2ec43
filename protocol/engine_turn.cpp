#include "protocol/engine_turn.h"

#include <cstdio>

#include "board/game.h"
#include "board/make_move.h"
#include "board/move_text.h"
#include "board/position.h"
#include "board/repetition.h"
#include "protocol/command_loop.h"
#include "search/classic/iterate.h"
#include "search/clock.h"

int32_t game_state = IN_PROGRESS;

namespace {

// The game ended before the engine could move: the result, seen from the engine.
bool announce_end_before_moving() {
    if (engine_side == 1 && game_state == BLACK_MATES) {
        std::printf("0-1 { Black Mates: You Win! }\n");
    } else if (engine_side == 0 && game_state == WHITE_MATES) {
        std::printf("1-0 { White Mates: You Win! }\n");
    } else if (game_state == STALEMATE) {
        std::printf("1/2-1/2 { Stalemate: Draw! }\n");
    } else if (game_state == FIFTY_MOVE_DRAW) {
        std::printf("1/2-1/2 { Drawn by Fifty Move Rule }\n");
    } else if (game_state == REPETITION_DRAW) {
        std::printf("1/2-1/2 { 3 Fold Repetition }\n");
    } else {
        return false;
    }
    return true;
}

// The line that follows the engine's move when that move ended the game.
void announce_end_after_moving() {
    switch (game_state) {
    case BLACK_MATES: std::printf("0-1 { Black Mates: I Win! }\n"); break;
    case WHITE_MATES: std::printf("1-0 { White Mates: I Win! }\n"); break;
    case FIFTY_MOVE_DRAW: std::printf("1/2-1/2 { Drawn by Fifty Move Rule }\n"); break;
    case REPETITION_DRAW: std::printf("1/2-1/2 { 3 Fold Repetition }\n"); break;
    default: break;
    }
}

} // namespace

void engine_turn() {
    // 1. Only when the engine is to move.
    if (engine_side != side_to_move || force_mode) return;

    // A game that filled the history leaves no room to search or to play: the engine claims
    // the draw instead of moving.
    if (!game_history_has_room()) {
        std::printf("1/2-1/2 { Game too long }\n");
        return;
    }

    // 2-3. Search.
    node_count = 0;
    ply = 0;
    search_start_time = now_centiseconds();
    Move move = search_best_move();

    // 4. The game was over before the engine moved.
    if (announce_end_before_moving()) return;
    // A search without a move while the game goes on plays and prints nothing.
    if (move.from == 0) return;

    // 5. Play the move, then look for a draw it brought about.
    char text[MOVE_TEXT_SIZE];
    format_move(text, move);
    make_move(&move, 0);
    if (is_repetition())
        game_state = REPETITION_DRAW;
    else if (fifty_move_rule_reached())
        game_state = FIFTY_MOVE_DRAW;
    rebuild_piece_list();
    std::printf("move %s\n", text);
    if (game_state != IN_PROGRESS) announce_end_after_moving();
}
