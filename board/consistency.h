// A self-check of the position's redundant records, for debug builds: make, unmake and the null
// move assert it after every change, so that a faster make/unmake cannot drift from the board
// without a test noticing. Position::position_is_consistent (board/position.h) says what it
// checks; board/consistency.cpp checks it.
#pragma once

#include "board/position.h"
