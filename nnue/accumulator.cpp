#include "nnue/accumulator.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define NNUE_HAS_X86 1
#endif

#include "nnue/network.h"

bool nnue_enabled = false;

namespace {

// Evaluation units per pawn: the network speaks centipawns.
constexpr int32_t EVALUATION_UNITS_PER_PAWN = 110;

using FeatureChange = Accumulators::FeatureChange;

// The input of a piece on a board square, seen from white (0) and from black (1): the piece's
// colour relative to the viewer, its kind, and the square with the board turned for black.
struct FeatureTable {
    int16_t index[2][PIECE_CODES][BOARD_SQUARES];
};
constexpr FeatureTable FEATURES = [] {
    FeatureTable table{};
    // Kinds in the trainer's order: pawn, knight, bishop, rook, queen, king.
    constexpr int32_t kind_of[PIECE_CODES] = {-1, 0, 0, 1, 1, 5, 5, 3, 3, 4, 4, 2, 2, -1};
    for (int32_t code = WHITE_PAWN; code <= BLACK_BISHOP; ++code) {
        const int colour = (code & 1) != 0 ? 0 : 1; // 0 white
        for (int rank = 0; rank < 8; ++rank)
            for (int file = 0; file < 8; ++file) {
                const int square = 8 * rank + file;
                const int board_square = square_at(file, rank);
                table.index[0][code][board_square] =
                    static_cast<int16_t>((colour * 6 + kind_of[code]) * 64 + square);
                table.index[1][code][board_square] =
                    static_cast<int16_t>(((1 - colour) * 6 + kind_of[code]) * 64 + (square ^ 56));
            }
    }
    return table;
}();

FeatureChange feature_of(int32_t code, int square) {
    return {FEATURES.index[0][code][square], FEATURES.index[1][code][square]};
}

// ---- Portable arithmetic: what the AVX2 path computes, lane by lane.

void update_portable(int16_t* out, const int16_t* parent, const int16_t* const* added,
                     int added_count, const int16_t* const* removed, int removed_count,
                     int32_t hidden) {
    for (int32_t i = 0; i < hidden; ++i) {
        int32_t value = parent[i];
        for (int a = 0; a < added_count; ++a)
            value += added[a][i];
        for (int r = 0; r < removed_count; ++r)
            value -= removed[r][i];
        out[i] = static_cast<int16_t>(value);
    }
}

int64_t output_portable(const int16_t* us, const int16_t* them, const int16_t* weights,
                        int32_t hidden) {
    int64_t sum = 0;
    for (int32_t i = 0; i < hidden; ++i) {
        const int32_t v = std::clamp<int32_t>(us[i], 0, NNUE_QA);
        const int32_t w = std::clamp<int32_t>(them[i], 0, NNUE_QA);
        sum += int64_t{v * v} * weights[i] + int64_t{w * w} * weights[hidden + i];
    }
    return sum;
}

// ---- AVX2: sixteen values at a time. The output multiplies each clamped value by its weight
// in 16 bits (at most 255 * 127, as the trainer keeps output weights under 2) and then by the
// value again, summing pairs into 32-bit lanes.

#if NNUE_HAS_X86
__attribute__((target("avx2"))) void update_avx2(int16_t* out, const int16_t* parent,
                                                 const int16_t* const* added, int added_count,
                                                 const int16_t* const* removed, int removed_count,
                                                 int32_t hidden) {
    for (int32_t i = 0; i < hidden; i += 16) {
        __m256i value = _mm256_load_si256(reinterpret_cast<const __m256i*>(parent + i));
        for (int a = 0; a < added_count; ++a)
            value = _mm256_add_epi16(
                value, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(added[a] + i)));
        for (int r = 0; r < removed_count; ++r)
            value = _mm256_sub_epi16(
                value, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(removed[r] + i)));
        _mm256_store_si256(reinterpret_cast<__m256i*>(out + i), value);
    }
}

__attribute__((target("avx2"))) int64_t output_avx2(const int16_t* us, const int16_t* them,
                                                    const int16_t* weights, int32_t hidden) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i top = _mm256_set1_epi16(NNUE_QA);
    __m256i sum = _mm256_setzero_si256();
    for (int side = 0; side < 2; ++side) {
        const int16_t* values = side == 0 ? us : them;
        const int16_t* side_weights = weights + side * hidden;
        for (int32_t i = 0; i < hidden; i += 16) {
            __m256i v = _mm256_load_si256(reinterpret_cast<const __m256i*>(values + i));
            v = _mm256_min_epi16(_mm256_max_epi16(v, zero), top);
            const __m256i w =
                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(side_weights + i));
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(_mm256_mullo_epi16(v, w), v));
        }
    }
    alignas(32) int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), sum);
    int64_t total = 0;
    for (const int32_t lane : lanes)
        total += lane;
    return total;
}

bool processor_has_avx2() {
    return __builtin_cpu_supports("avx2");
}
#else
bool processor_has_avx2() {
    return false;
}
#endif

bool use_avx2 = processor_has_avx2();

void update_sums(int16_t* out, const int16_t* parent, const int16_t* const* added, int added_count,
                 const int16_t* const* removed, int removed_count) {
    const int32_t hidden = active_network.hidden;
#if NNUE_HAS_X86
    if (use_avx2) {
        update_avx2(out, parent, added, added_count, removed, removed_count, hidden);
        return;
    }
#endif
    update_portable(out, parent, added, added_count, removed, removed_count, hidden);
}

const int16_t* weights_of(int16_t feature) {
    return active_network.l1_weights.data() +
           static_cast<size_t>(feature) * static_cast<size_t>(active_network.hidden);
}

// Both views' sums of the board as it stands, into `sums`.
void compute_sums(const Position& pos, int16_t (*sums)[NNUE_MAX_HIDDEN]) {
    const int32_t hidden = active_network.hidden;
    for (int view = 0; view < 2; ++view)
        std::memcpy(sums[view], active_network.l1_bias.data(), sizeof(int16_t) * hidden);
    for (int32_t code = WHITE_PAWN; code <= BLACK_BISHOP; ++code) {
        for (uint64_t pieces = pos.squares_of[code]; pieces != 0; pieces &= pieces - 1) {
            const int square = square_of_bit[__builtin_ctzll(pieces)];
            const FeatureChange feature = feature_of(code, square);
            for (int view = 0; view < 2; ++view) {
                const int16_t* added[1] = {
                    weights_of(view == 0 ? feature.white_view : feature.black_view)};
                update_sums(sums[view], sums[view], added, 1, nullptr, 0);
            }
        }
    }
}

int32_t evaluate_sums(const Position& pos, const int16_t (*sums)[NNUE_MAX_HIDDEN]) {
    const int32_t hidden = active_network.hidden;
    const int16_t* us = sums[pos.side_to_move == 1 ? 0 : 1];
    const int16_t* them = sums[pos.side_to_move == 1 ? 1 : 0];
    const int16_t* weights = active_network.out_weights.data();
#if NNUE_HAS_X86
    const int64_t sum = use_avx2 ? output_avx2(us, them, weights, hidden)
                                 : output_portable(us, them, weights, hidden);
#else
    const int64_t sum = output_portable(us, them, weights, hidden);
#endif
    // Back to units of 1/(QA*QB), then to centipawns (C++ division truncates toward zero, as
    // the trainer's reference does).
    const int64_t output = sum / NNUE_QA + active_network.out_bias;
    const int64_t centipawns = output * NNUE_SCALE / (NNUE_QA * NNUE_QB);
    return static_cast<int32_t>(centipawns * EVALUATION_UNITS_PER_PAWN / 100);
}

} // namespace

// Brings the entry of the current ply up to date from the nearest current one above it, or
// afresh when there is none.
void Accumulators::bring_up_to_date(const Position& pos) {
    int32_t known = pos.ply;
    while (known > 0 && !entries[known].current)
        --known;
    if (!entries[known].current) {
        compute_sums(pos, entries[pos.ply].sums);
        entries[pos.ply].current = true;
        return;
    }
    for (int32_t at = known + 1; at <= pos.ply; ++at) {
        Entry& entry = entries[at];
        const Entry& parent = entries[at - 1];
        for (int view = 0; view < 2; ++view) {
            const int16_t* added[2];
            const int16_t* removed[2];
            for (int i = 0; i < entry.added_count; ++i)
                added[i] =
                    weights_of(view == 0 ? entry.added[i].white_view : entry.added[i].black_view);
            for (int i = 0; i < entry.removed_count; ++i)
                removed[i] = weights_of(view == 0 ? entry.removed[i].white_view
                                                  : entry.removed[i].black_view);
            update_sums(entry.sums[view], parent.sums[view], added, entry.added_count, removed,
                        entry.removed_count);
        }
        entry.current = true;
    }
}

void Accumulators::refresh(const Position& pos) {
    assert(pos.ply < ACCUMULATOR_PLIES);
    compute_sums(pos, entries[pos.ply].sums);
    entries[pos.ply].current = true;
}

void Accumulators::note_move(const Position& pos, const Move& move) {
    assert(pos.ply < ACCUMULATOR_PLIES);
    Entry& entry = entries[pos.ply];
    entry.current = false;
    entry.removed_count = 0;
    entry.added_count = 0;
    // The mover's colour is the side no longer to move.
    const int32_t arrived = pos.board[move.to];
    const int32_t moved =
        move.promotion != 0 ? (pos.side_to_move == 1 ? BLACK_PAWN : WHITE_PAWN) : arrived;
    entry.removed[entry.removed_count++] = feature_of(moved, move.from);
    entry.added[entry.added_count++] = feature_of(arrived, move.to);
    if (move.castle != CASTLE_NONE) {
        // The rook's jump: from the corner to the square the king passed.
        const int rook_from = move.to > move.from ? move.to + 1 : move.to - 2;
        const int rook_to = move.to > move.from ? move.to - 1 : move.to + 1;
        const int32_t rook = pos.board[rook_to];
        entry.removed[entry.removed_count++] = feature_of(rook, rook_from);
        entry.added[entry.added_count++] = feature_of(rook, rook_to);
    } else if (move.captured != EMPTY) {
        const int taken_on =
            move.ep_flag != 0 ? (pos.side_to_move == 1 ? move.to + 12 : move.to - 12) : move.to;
        entry.removed[entry.removed_count++] = feature_of(move.captured, taken_on);
    }
}

void Accumulators::note_null_move(const Position& pos) {
    assert(pos.ply < ACCUMULATOR_PLIES);
    Entry& entry = entries[pos.ply];
    entry.current = false;
    entry.removed_count = 0;
    entry.added_count = 0;
}

int32_t Accumulators::evaluate(const Position& pos) {
    if (!entries[pos.ply].current) bring_up_to_date(pos);
    assert(is_current(pos));
    return evaluate_sums(pos, entries[pos.ply].sums);
}

int32_t nnue_evaluate_from_scratch(const Position& pos) {
    alignas(64) int16_t sums[2][NNUE_MAX_HIDDEN];
    compute_sums(pos, sums);
    return evaluate_sums(pos, sums);
}

bool Accumulators::is_current(const Position& pos) const {
    if (!entries[pos.ply].current) return false;
    alignas(64) int16_t sums[2][NNUE_MAX_HIDDEN];
    compute_sums(pos, sums);
    const size_t bytes = sizeof(int16_t) * static_cast<size_t>(active_network.hidden);
    return std::memcmp(sums[0], entries[pos.ply].sums[0], bytes) == 0 &&
           std::memcmp(sums[1], entries[pos.ply].sums[1], bytes) == 0;
}

bool nnue_avx2_available() {
    return processor_has_avx2();
}

void nnue_use_avx2(bool use) {
    use_avx2 = use && processor_has_avx2();
}

bool nnue_uses_avx2() {
    return use_avx2;
}
