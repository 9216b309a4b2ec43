// Fuzz target: the move-text parser on arbitrary positions. The first line of the input is a
// FEN; when the reader refuses it, one of the sample positions is taken instead (chosen by the
// line's length). Every further line is a move text, parsed in the position reached, and played
// when it is a legal move; a line "~" hands the move to the other side, as the xboard commands
// "white" and "black" can, so that positions where a king can be taken are parsed too. What must
// hold for every text:
// - the parser leaves the position exactly as it was;
// - it accepts the text exactly when the text is that of a legal move, found by formatting every
//   generated move that is legal, and the move it returns formats back to the text;
// - the position stays consistent as the moves are played (which the self-check cannot say once
//   the move has been handed over by hand; the rest holds there too).
#include "board/move_text.h"
#include "board/fen.h"
#include "board/game.h"
#include "board/make_move.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::set_up_engine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::reset_engine();
    const std::vector<std::string> lines =
        fuzz::split_lines(std::string(reinterpret_cast<const char*>(data), size));
    if (lines.empty()) return 0;
    std::string error;
    if (!set_position_from_fen(lines[0], error)) {
        const auto& samples = fuzz::sample_positions();
        fuzz::set_up_position(samples[lines[0].size() % samples.size()]);
    }
    for (size_t i = 1; i < lines.size(); ++i) {
        if (lines[i] == "~") {
            hand_move_to(side_to_move ^ 1);
            continue;
        }
        // The engine sees the text up to its first zero byte, as a C string.
        const std::string text = lines[i].c_str();
        const auto context = [&] {
            return "move text \"" + text + "\" (line " + std::to_string(i + 1) + ", first line \"" +
                   lines[0] + "\")";
        };
        const std::vector<std::string> legal = fuzz::legal_move_texts();
        const fuzz::PositionSnapshot before = fuzz::snapshot();
        Move move;
        const bool parsed = parse_user_move(text.c_str(), move);
        FUZZ_CHECK(fuzz::snapshot() == before, context());
        FUZZ_CHECK(parsed == fuzz::contains(legal, text), context());
        if (!parsed) continue;
        char formatted[MOVE_TEXT_SIZE];
        format_move(formatted, move);
        FUZZ_CHECK(text == formatted, context() + " came back as " + formatted);
        if (!game_history_has_room()) continue;
        make_move(&move, 0);
        rebuild_piece_list();
        fuzz::check_position_with(context);
    }
    return 0;
}
