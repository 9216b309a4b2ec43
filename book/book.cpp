#include "book/book.h"

uint8_t book_enabled = 1;
uint32_t book_index_mask = 0;

void init_book_index_mask() { book_index_mask = (1u << 21) - 1; }

// No book yet: the search always thinks.
Move choose_book_move() { return NULL_MOVE; }
