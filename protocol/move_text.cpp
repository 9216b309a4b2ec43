#include "protocol/move_text.h"

#include <cstdio>
#include <cstring>

#include "board/attack.h"
#include "board/make_move.h"
#include "board/movegen.h"

void format_move(char* text, const Move& move) {
    const char* format;
    switch (move.promotion) {
    case 0: format = "%c%d%c%d"; break;
    case WHITE_KNIGHT:
    case BLACK_KNIGHT: format = "%c%d%c%dn"; break;
    case WHITE_ROOK:
    case BLACK_ROOK: format = "%c%d%c%dr"; break;
    case WHITE_BISHOP:
    case BLACK_BISHOP: format = "%c%d%c%db"; break;
    default: format = "%c%d%c%dq"; break;
    }
    std::snprintf(text, MOVE_TEXT_SIZE, format, file_of[move.from] + 96, rank_of[move.from],
                  file_of[move.to] + 96, rank_of[move.to]);
}

bool parse_user_move(const char* text, Move& result) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    bool found = false;
    char candidate[MOVE_TEXT_SIZE];
    for (int i = 0; i < count; ++i) {
        format_move(candidate, list[i]);
        if (std::strcmp(candidate, text) != 0) continue;
        MoveUndo undo;
        if (play_move(list, i, undo)) {
            result = list[i];
            found = true;
        }
        take_back_move(list, i, undo);
    }
    return found;
}
