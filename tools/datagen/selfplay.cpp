#include "tools/datagen/selfplay.h"

#include <cstdlib>

#include "board/attack.h"
#include "board/game.h"
#include "board/keys.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "board/repetition.h"
#include "book/book.h"
#include "search/limits.h"
#include "search/strong/root.h"
#include "search/strong/table.h"
#include "search/strong/time_management.h"
#include "search/thinking.h"
#include "search/transposition.h"

namespace {

// Evaluation units per pawn, to compare scores with the settings' centipawns.
constexpr int32_t EVALUATION_UNITS_PER_PAWN = 110;
// Openings drawn before one is kept whatever its score.
constexpr int32_t OPENING_TRIES = 50;

SilentThinking silent_thinking;
GameRandom* book_random = nullptr;

unsigned book_seed_from_game() {
    return static_cast<unsigned>(book_random->next());
}

int32_t legal_moves(Move* legal) {
    Move list[MAX_MOVES];
    int32_t count = 0;
    generate_moves(list, count);
    int32_t legal_count = 0;
    for (int32_t i = 0; i < count; ++i) {
        MoveUndo undo;
        const bool ok = play_move(list, i, undo);
        take_back_move(list, i, undo);
        if (ok) legal[legal_count++] = list[i];
    }
    return legal_count;
}

void play_game_move(Move move) {
    make_move(&move, 0);
    rebuild_piece_list();
}

// Neither side can mate: bare kings, or a single knight or bishop against a bare king.
bool mating_material_gone() {
    int32_t minors = 0;
    for (int32_t code = WHITE_PAWN; code < EMPTY; ++code) {
        if (code == WHITE_KING || code == BLACK_KING) continue;
        const int pieces = __builtin_popcountll(squares_of[code]);
        if (pieces == 0) continue;
        if (code != WHITE_KNIGHT && code != BLACK_KNIGHT && code != WHITE_BISHOP &&
            code != BLACK_BISHOP)
            return false;
        minors += pieces;
    }
    return minors <= 1;
}

// The strong search's move and score (evaluation units, the side to move's view).
Move search_position(int64_t nodes, int32_t& score) {
    search_limits = SearchLimits{};
    search_limits.use_clock = false;
    search_limits.root_draw_ends_search = false;
    search_limits.max_nodes = nodes;
    node_count = 0;
    ply = 0;
    const Move best = strong_search_best_move();
    score = root_score;
    ply = 0;
    return best;
}

// A fresh game from a varied opening: book moves, then random ones, drawn again while the
// position is lopsided or over. False when no opening could be found.
bool play_opening(GameRandom& random, const SelfPlaySettings& settings) {
    for (int32_t attempt = 0; attempt < OPENING_TRIES; ++attempt) {
        new_game();
        bool over = false;
        book_enabled = 1;
        for (int32_t i = 0; i < settings.book_plies; ++i) {
            const Move move = choose_book_move();
            if (move.from == 0) break;
            play_game_move(move);
        }
        book_enabled = 0;
        for (int32_t i = 0; i < settings.random_plies && !over; ++i) {
            Move legal[MAX_MOVES];
            const int32_t count = legal_moves(legal);
            if (count == 0)
                over = true;
            else
                play_game_move(legal[random.below(static_cast<uint32_t>(count))]);
        }
        Move legal[MAX_MOVES];
        if (over || legal_moves(legal) == 0) continue;
        int32_t score = 0;
        search_position(settings.nodes, score);
        if (attempt + 1 == OPENING_TRIES ||
            std::abs(score) * 100 / EVALUATION_UNITS_PER_PAWN <= settings.opening_limit)
            return true;
    }
    return false;
}

} // namespace

void prepare_self_play(int32_t hash_megabytes) {
    init_keys();
    strong_table_resize(static_cast<size_t>(hash_megabytes));
    init_book_index_mask();
    thinking_output = &silent_thinking;
    new_game();
}

size_t play_self_play_game(uint64_t seed, uint64_t game, const SelfPlaySettings& settings,
                           std::vector<TrainingRecord>& records) {
    // 1. A game independent of every other: its own random choices, an empty table and empty
    // histories.
    GameRandom random(seed * 0x100000001B3ull ^ (game + 1) * 0x9E3779B97F4A7C15ull);
    book_random = &random;
    unsigned (*saved_seed_source)() = book_seed_source;
    book_seed_source = book_seed_from_game;
    strong_table_clear();
    strong_new_game();
    const bool opened = play_opening(random, settings);
    book_seed_source = saved_seed_source;
    book_random = nullptr;
    book_enabled = 0;
    if (!opened) return 0;

    // 2. Every position searched, until the rules or the adjudication decide.
    const size_t first = records.size();
    uint8_t result = RESULT_DRAW;
    int32_t winning_plies = 0, drawn_plies = 0, last_sign = 0;
    for (int32_t game_ply = 0;; ++game_ply) {
        Move legal[MAX_MOVES];
        if (legal_moves(legal) == 0) {
            if (side_to_move_in_check())
                result = side_to_move == 1 ? RESULT_BLACK_WINS : RESULT_WHITE_WINS;
            break;
        }
        if (fifty_move_rule_reached() || is_repetition() || mating_material_gone() ||
            game_ply >= settings.max_plies)
            break;

        int32_t score = 0;
        const Move best = search_position(settings.nodes, score);
        if (best.from == 0) break;
        TrainingRecord record = pack_current_position();
        bool mate = false;
        record.score = record_score(score, side_to_move == 1, mate);
        record.ply = static_cast<uint16_t>(std::min(key_history_count, 65535));
        if (mate) record.flags |= RECORD_MATE_SCORE;
        if (best.captured != EMPTY || best.promotion != 0 || best.ep_flag != 0)
            record.flags |= RECORD_NOISY;
        if (records.size() == first) record.flags |= RECORD_GAME_START;
        records.push_back(record);

        // Adjudication on the score from white's view.
        const int32_t white_score = record.score;
        const int32_t sign = white_score >= settings.win_score    ? 1
                             : white_score <= -settings.win_score ? -1
                                                                  : 0;
        winning_plies = sign != 0 && sign == last_sign ? winning_plies + 1 : (sign != 0 ? 1 : 0);
        last_sign = sign;
        if (winning_plies >= settings.win_plies) {
            result = sign > 0 ? RESULT_WHITE_WINS : RESULT_BLACK_WINS;
            break;
        }
        drawn_plies = std::abs(white_score) <= settings.draw_score ? drawn_plies + 1 : 0;
        if (key_history_count >= settings.draw_from_ply && drawn_plies >= settings.draw_plies)
            break;
        play_game_move(best);
    }
    for (size_t i = first; i < records.size(); ++i)
        records[i].result = result;
    return records.size() - first;
}
