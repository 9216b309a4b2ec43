#include "support/eval_helpers.h"

#include <cctype>
#include <sstream>
#include <vector>

namespace test_support {

namespace {
char swap_case(char c) {
    return static_cast<char>(std::isupper(static_cast<unsigned char>(c))
                                 ? std::tolower(static_cast<unsigned char>(c))
                                 : std::toupper(static_cast<unsigned char>(c)));
}
} // namespace

std::string mirrored_fen(const std::string& fen) {
    std::istringstream fields(fen);
    std::string placement, side, castling, en_passant, rest;
    fields >> placement >> side >> castling >> en_passant;
    std::getline(fields, rest); // the move counters, if any, with their leading blank

    std::vector<std::string> ranks;
    std::istringstream rank_stream(placement);
    for (std::string rank; std::getline(rank_stream, rank, '/');)
        ranks.push_back(rank);
    std::string mirrored;
    for (auto rank = ranks.rbegin(); rank != ranks.rend(); ++rank) {
        if (!mirrored.empty()) mirrored += '/';
        for (char c : *rank)
            mirrored += swap_case(c);
    }

    std::string rights;
    for (char right : std::string("KQkq"))
        if (castling.find(swap_case(right)) != std::string::npos) rights += right;
    if (rights.empty()) rights = "-";

    if (en_passant != "-") en_passant[1] = static_cast<char>('1' + '8' - en_passant[1]);
    return mirrored + (side == "w" ? " b " : " w ") + rights + " " + en_passant + rest;
}

} // namespace test_support
