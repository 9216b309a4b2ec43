#include "board/move_text.h"

#include <cstring>

#include "board/attack.h"
#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"

void format_move(char* text, const Move& move) {
    // Written character by character: files and ranks are single digits (0 on the border), and
    // every parse formats every generated move, so this is on the path of each move typed.
    char promotion;
    switch (move.promotion) {
    case 0: promotion = '\0'; break;
    case WHITE_KNIGHT:
    case BLACK_KNIGHT: promotion = 'n'; break;
    case WHITE_ROOK:
    case BLACK_ROOK: promotion = 'r'; break;
    case WHITE_BISHOP:
    case BLACK_BISHOP: promotion = 'b'; break;
    default: promotion = 'q'; break;
    }
    text[0] = static_cast<char>(file_of[move.from] + 96);
    text[1] = static_cast<char>('0' + rank_of[move.from]);
    text[2] = static_cast<char>(file_of[move.to] + 96);
    text[3] = static_cast<char>('0' + rank_of[move.to]);
    text[4] = promotion;
    text[5] = '\0';
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
