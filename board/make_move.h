// Playing a move on the one position and taking it back.
//
// Every caller saves hash_key and ep_square before make_move and restores them after the
// matching unmake_move (unmake restores everything else); it increments ply after make_move,
// decrements it before unmake_move, and asks move_was_legal in between.
#pragma once

#include "board/position.h"

// Plays list[index]; writes the record's captured_slot, which unmake_move reads back, so the
// record must stay in place until then.
void make_move(Move* list, int index);

// Takes back list[index]; called with the same list, index and ply as the make, last in first
// out.
void unmake_move(const Move* list, int index);
