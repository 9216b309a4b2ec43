#include "search/thinking.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "base/engine_state.h"
#include "board/move_text.h"
#include "search/clock.h"
#include "search/scores.h"

XboardThinking xboard_thinking;
ThinkingOutput* thinking_output = &xboard_thinking;

void XboardThinking::playing_from_book() {
    std::printf("0 0 0 0 Playing from book...\n");
}

void XboardThinking::search_started() {
    std::printf("Depth  Score Elasped      Nodes Principal Variation\n");
}

// Thinking lines start at depth 4, and only in post mode.
void XboardThinking::new_best_move(const ThinkingLine& line) {
    if (post_flag && line.depth > 3) print_thinking_line(line);
}

void XboardThinking::iteration_finished(const ThinkingLine& line) {
    if (post_flag && line.depth > 3) print_thinking_line(line);
}

void print_thinking_line(const ThinkingLine& line) {
    const long elapsed = elapsed_centiseconds();
    const long nodes = static_cast<long>(line.nodes);
    const int32_t score = line.score;
    const int32_t magnitude = std::abs(score);
    if (magnitude > MATE_THRESHOLD) {
        // The score column shows 32768 - 2 * moves to mate, whichever side mates.
        const long moves_to_mate = (999998 - magnitude) / 2 + 1;
        std::printf("%5d %6d %7ld %10ld Mate in %ld ", line.depth,
                    static_cast<int>(2 * (16384 - moves_to_mate)), elapsed, nodes, moves_to_mate);
    } else {
        std::printf("%5d %6ld %7ld %10ld ", line.depth, static_cast<long>(score), elapsed, nodes);
    }
    char text[MOVE_TEXT_SIZE];
    for (int i = 0; i < line.pv_length; ++i) {
        format_move(text, line.pv[i]);
        std::printf("%s ", text);
    }
    std::printf("\n");
}
