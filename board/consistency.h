// A self-check of the position's redundant records, for debug builds: make, unmake and the null
// move assert it after every change, so that a faster make/unmake cannot drift from the board
// without a test noticing.
#pragma once

// True when the piece list and piece index describe the board, the king squares hold the kings,
// non_pawn_count fits the pieces on the board, the pawn key is the pawns' own, and the
// incremental key agrees with the key computed from scratch wherever the two must agree (keys.h
// says where they may differ).
bool position_is_consistent();
