// Fuzz target: the weight-file reader. The input is the bytes of a weight file, read from memory
// through the stream the engine reads kelmora.ini from. What must hold:
// - every weight read lies within the bounds the reader clamps to, and the float weight is a
//   number;
// - the echo shows the 50 echoed weights, each on its line, and ends with the success line;
// - with those weights, the evaluation of every sample position, and of every position one
//   legal move after it, stays within the bound argued in eval/parameter_file.cpp.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "board/game.h"
#include "board/make_move.h"
#include "board/movegen.h"
#include "eval/evaluate.h"
#include "eval/parameter_file.h"
#include "fuzz_support.h"

namespace {

// The evaluation of the current position; `where` says which position it is, and is asked
// only when the check fails.
template <typename Where> void check_evaluation(const std::string_view& file, const Where& where) {
    const int32_t score = evaluate();
    FUZZ_CHECK(std::abs(score) < fuzz::EVALUATION_BOUND, "weight file \"" + std::string(file) +
                                                             "\"\n" + where() + ": " +
                                                             std::to_string(score));
}

int count_of(const std::string& text, char c) {
    int count = 0;
    for (char t : text)
        count += t == c;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::set_up_engine();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The file is read from memory, through the same stream calls as a file on disk.
    static uint8_t no_bytes = 0;
    std::FILE* file = fmemopen(size == 0 ? &no_bytes : const_cast<uint8_t*>(data), size, "r");
    FUZZ_CHECK(file != nullptr, "fmemopen");
    const std::string echo = load_parameters_from_stream(file);
    std::fclose(file);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto context = [&] { return "weight file \"" + std::string(text) + "\""; };

    for (const ParameterItem& item : PARAMETER_ITEMS) {
        if (item.integer != nullptr)
            FUZZ_CHECK(std::abs(*item.integer) <= WEIGHT_LIMIT, context() + item.format);
        if (item.real != nullptr)
            FUZZ_CHECK(std::isfinite(*item.real) && std::fabs(*item.real) <= OFFENSIVENESS_LIMIT,
                       context() + item.format);
    }
    const std::string success = "\nKelmora.ini loaded successfully!\n\n";
    FUZZ_CHECK(echo.size() > success.size() &&
                   echo.compare(echo.size() - success.size(), success.size(), success) == 0,
               context() + "; echo:\n" + echo);
    FUZZ_CHECK(count_of(echo, '=') == PARAMETER_COUNT - 1, context() + "; echo:\n" + echo);

    for (const std::string& fen : fuzz::sample_positions()) {
        fuzz::set_up_position(fen);
        check_evaluation(text, [&] { return "position " + fen; });
        Move list[MAX_MOVES];
        int32_t count = 0;
        generate_moves(list, count);
        for (int i = 0; i < count; ++i) {
            MoveUndo undo;
            if (play_move(list, i, undo))
                check_evaluation(text, [&] { return "after a move from " + fen; });
            take_back_move(list, i, undo);
        }
    }
    return 0;
}
