// One self-play game of the strong search at a fixed node count per move, for the evaluation
// network's training data: a varied opening, then every position the engine searched, with its
// score, and the game's result once it is decided.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/datagen/training_record.h"

struct SelfPlaySettings {
    int64_t nodes = 5000;        // per move
    int32_t book_plies = 6;      // at most this many book moves first, chosen at random
    int32_t random_plies = 4;    // then this many random legal moves
    int32_t opening_limit = 300; // centipawns: an opening scored beyond this is drawn again
    // Adjudication: a win once the score has stayed beyond win_score for win_plies plies in a
    // row; a draw from draw_from_ply on once it has stayed within draw_score for draw_plies.
    int32_t win_score = 2000;
    int32_t win_plies = 4;
    int32_t draw_from_ply = 80;
    int32_t draw_score = 10;
    int32_t draw_plies = 12;
    int32_t max_plies = 400; // a game still going is a draw here
};

// A small, fast generator of the game's random choices (splitmix64): the same seed gives the
// same game.
class GameRandom {
  public:
    explicit GameRandom(uint64_t seed) : state_(seed) {}
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t below(uint32_t bound) { return static_cast<uint32_t>(next() % bound); }

  private:
    uint64_t state_;
};

// Sets up the engine for self-play once (table, keys, silent search without a clock); the weight
// file and the book are the caller's.
void prepare_self_play(int32_t hash_megabytes);

// Plays game number `game` of the series `seed` and appends its positions to `records` (the first
// flagged as the game's start). Returns the number of positions added; the game's result is in
// every one of them.
size_t play_self_play_game(uint64_t seed, uint64_t game, const SelfPlaySettings& settings,
                           std::vector<TrainingRecord>& records);
