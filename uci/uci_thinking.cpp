#include "uci/uci_thinking.h"

#include <cinttypes>
#include <cstdlib>

#include "protocol/move_text.h"
#include "search/clock.h"
#include "search/iterate.h"
#include "search/scores.h"
#include "search/search.h"
#include "uci/uci_output.h"

namespace {

constexpr int32_t EVALUATION_UNITS_PER_PAWN = 110;

void send_info(int32_t score) {
    const int64_t milliseconds = static_cast<int64_t>(elapsed_centiseconds()) * 10;
    const int64_t nodes_per_second = milliseconds > 0 ? node_count * 1000 / milliseconds : 0;
    std::string line = "info depth " + std::to_string(iteration_depth) + " score " +
                       uci_score(score) + " time " + std::to_string(milliseconds) + " nodes " +
                       std::to_string(node_count) + " nps " + std::to_string(nodes_per_second);
    if (pv_length[1] > 1) {
        line += " pv";
        char text[MOVE_TEXT_SIZE];
        for (int i = 1; i < pv_length[1]; ++i) {
            format_move(text, pv_table[1][i]);
            line += ' ';
            line += text;
        }
    }
    send_line(line);
}

} // namespace

std::string uci_score(int32_t score) {
    if (score > MATE_THRESHOLD) {
        // The root is ply 1, so MATE_SCORE - score - 1 plies lead to the mate.
        const int32_t plies = MATE_SCORE - score - 1;
        return "mate " + std::to_string((plies + 1) / 2);
    }
    if (score < -MATE_THRESHOLD) {
        const int32_t plies = MATE_SCORE + score - 1;
        return "mate -" + std::to_string((plies + 1) / 2);
    }
    return "cp " + std::to_string(score * 100 / EVALUATION_UNITS_PER_PAWN);
}

void UciThinking::playing_from_book() {
    send_line("info string book move");
}

void UciThinking::new_best_move(int32_t score) {
    send_info(score);
}

void UciThinking::iteration_finished(int32_t score) {
    send_info(score);
}
