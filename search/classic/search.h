// The recursive search below the root: fail-hard negamax alpha-beta with the transposition
// table, an adaptive null move, check, single-reply and mate-threat extensions, and a
// quiescence search over captures and promotions.
#pragma once

#include <cstdint>

#include "board/position.h"

inline constexpr int32_t QUIESCENCE_DEPTH = 30; // capture plies a depth-0 node may search
inline constexpr int32_t CHECK_EXTENSION_PLY_LIMIT = 31;
// No search path goes deeper than this: the per-ply tables have MAX_PLY rows and ordering
// looks one ply ahead, so a node this deep is scored statically.
inline constexpr int32_t SEARCH_PLY_LIMIT = MAX_PLY - QUIESCENCE_DEPTH - 10;

// Row p holds the principal variation found at ply p in columns p .. pv_length[p] - 1.
extern Move pv_table[MAX_PLY][MAX_PLY];
extern int32_t pv_length[MAX_PLY];

// The caller has made the move leading here and incremented ply. The result means nothing when
// search_aborted is set on return.
int32_t search(int32_t alpha, int32_t beta, int32_t depth, bool null_ok);

// The node count at which the search next looks at the clock; 0 at the start of a search.
extern int64_t next_time_check;

int32_t quiesce(int32_t alpha, int32_t beta, int32_t qdepth);

// Stores `move` as the first move of this ply's principal variation, followed by the child's.
void update_pv(const Move& move);
