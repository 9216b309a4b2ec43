// The opening book: a read-only file of position keys and weights; a book move is one whose
// resulting position is in the file with a non-zero weight.
#pragma once

#include <cstdint>
#include <cstdio>

#include "board/position.h"

extern uint8_t book_enabled;
extern uint32_t book_index_mask;

void init_book_index_mask();

// A weighted random choice among the book moves of the current position, or NULL_MOVE.
Move choose_book_move();
