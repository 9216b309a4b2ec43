#include "eval/parameter_file.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "eval/parameters.h"

// The order of the file. The "\n\n" formats end a block: the echo puts an empty line there.
// Each key is spelled once, as the name of the weight it sets.
#define INTEGER_ITEM(weight, ending, echoed)                                                       \
    { #weight "=%d" ending, &weight, nullptr, echoed }
#define REAL_ITEM(weight, ending, echoed)                                                          \
    { #weight "=%f" ending, nullptr, &weight, echoed }
const std::array<ParameterItem, PARAMETER_COUNT> PARAMETER_ITEMS = {{
    INTEGER_ITEM(BLOCKED_CENTER_PAWN, "\n", true),
    INTEGER_ITEM(ROOK_TRAPPED, "\n", true),
    INTEGER_ITEM(DOUBLED_ROOKS, "\n", false),
    INTEGER_ITEM(GOOD_BISHOP, "\n", true),
    INTEGER_ITEM(BAD_BISHOP, "\n", true),
    INTEGER_ITEM(TRAPPED_BISHOP, "\n", true),
    INTEGER_ITEM(OBISHOP_PAIR, "\n", true),
    INTEGER_ITEM(MBISHOP_PAIR, "\n", true),
    INTEGER_ITEM(EBISHOP_PAIR, "\n", true),
    INTEGER_ITEM(OUTPOSTED, "\n", true),
    INTEGER_ITEM(STRONG_OUTPOST, "\n", true),
    REAL_ITEM(OFFENSIVENESS, "\n", true),
    INTEGER_ITEM(ROOK_ATTACK_KING, "\n", true),
    INTEGER_ITEM(QUEEN_ATTACK_KING, "\n\n", true),
    INTEGER_ITEM(OMULTIPLE_PAWNS_PENALTY, "\n", true),
    INTEGER_ITEM(OISOLATED_PAWN_PENALTY, "\n", true),
    INTEGER_ITEM(OEXPOSED_ISOLATED_PAWN, "\n", true),
    INTEGER_ITEM(OBACKWARD_PAWN_PENALTY, "\n", true),
    INTEGER_ITEM(OEXPOSED_BACKWARD_PAWN, "\n", true),
    INTEGER_ITEM(OPASSED_PAWN_BONUS, "\n", true),
    INTEGER_ITEM(OCONNECTED_PASSED_PAWN, "\n", true),
    INTEGER_ITEM(OROOK_ON_SEVENTH_BONUS, "\n", true),
    INTEGER_ITEM(OROOK_PAIR_ON_SEVENTH, "\n", true),
    INTEGER_ITEM(OROOK_SEMI_OPEN_FILE, "\n", true),
    INTEGER_ITEM(OROOK_OPEN_FILE_BONUS, "\n", true),
    INTEGER_ITEM(UNDEVELOPED_PIECE, "\n", true),
    INTEGER_ITEM(EARLY_QUEEN_DEVELOPMENT, "\n\n", true),
    INTEGER_ITEM(MMULTIPLE_PAWNS_PENALTY, "\n", true),
    INTEGER_ITEM(MISOLATED_PAWN_PENALTY, "\n", true),
    INTEGER_ITEM(MEXPOSED_ISOLATED_PAWN, "\n", true),
    INTEGER_ITEM(MBACKWARD_PAWN_PENALTY, "\n", true),
    INTEGER_ITEM(MEXPOSED_BACKWARD_PAWN, "\n", true),
    INTEGER_ITEM(MPASSED_PAWN_BONUS, "\n", true),
    INTEGER_ITEM(MCONNECTED_PASSED_PAWN, "\n", true),
    INTEGER_ITEM(MOUTSIDE_PASSED_PAWN, "\n", true),
    INTEGER_ITEM(MROOK_ON_SEVENTH_BONUS, "\n", true),
    INTEGER_ITEM(MROOK_PAIR_ON_SEVENTH, "\n", true),
    INTEGER_ITEM(MROOK_SEMI_OPEN_FILE, "\n", true),
    INTEGER_ITEM(MROOK_OPEN_FILE_BONUS, "\n\n", true),
    INTEGER_ITEM(EMULTIPLE_PAWNS_PENALTY, "\n", true),
    INTEGER_ITEM(EISOLATED_PAWN_PENALTY, "\n", true),
    INTEGER_ITEM(EEXPOSED_ISOLATED_PAWN, "\n", true),
    INTEGER_ITEM(EBACKWARD_PAWN_PENALTY, "\n", true),
    INTEGER_ITEM(EEXPOSED_BACKWARD_PAWN, "\n", true),
    INTEGER_ITEM(EPASSED_PAWN_BONUS, "\n", true),
    INTEGER_ITEM(ECONNECTED_PASSED_PAWN, "\n", true),
    INTEGER_ITEM(EOUTSIDE_PASSED_PAWN, "\n", true),
    INTEGER_ITEM(EROOK_ON_SEVENTH_BONUS, "\n", true),
    INTEGER_ITEM(EROOK_PAIR_ON_SEVENTH, "\n", true),
    INTEGER_ITEM(EROOK_SEMI_OPEN_FILE, "\n", true),
    INTEGER_ITEM(EROOK_OPEN_FILE_BONUS, "\n\n", true),
}};
#undef INTEGER_ITEM
#undef REAL_ITEM

// Why the bounds. The file is the operator's, so a weight may be anything; clamped to
// +-WEIGHT_LIMIT, the evaluation stays far inside int32 and far from the mate scores (above
// 999900). No man takes more than 18 weights' worth of terms (a pawn: 7 times the passed bonus,
// 5 times the several-pawns penalty on a file of six, and six single terms), a rook 5, a bishop
// 4, the rest fewer, and the blocked centre 4 more; 16 pawns and 16 pieces give at most
// 16 * 18 + 16 * 5 + 4 = 372 weights, 372000 at the limit. Material (at most about 30000 for
// both sides) and the fixed terms add a few ten thousand. OFFENSIVENESS multiplies an attack
// distance difference of at most 15 pieces * 7 = 105, so +-100 adds at most 10500. Every score
// stays below 450000 in magnitude. A weight of 1000 is nine pawns, beyond any sensible tuning.
// A NaN factor would poison every middlegame score, so it reads as 0.
namespace {

// The stream under a single character of push-back, like scanf's own look-ahead.
class Scanner {
  public:
    explicit Scanner(std::FILE* stream) : stream_(stream) {}
    int peek() {
        if (!has_next_) {
            next_ = std::getc(stream_);
            has_next_ = true;
        }
        return next_;
    }
    void take() { has_next_ = false; }
    bool take_if(char c) {
        if (peek() != static_cast<unsigned char>(c)) return false;
        take();
        return true;
    }
    bool take_if_either(char a, char b) { return take_if(a) || take_if(b); }
    void skip_white_space() {
        while (peek() != EOF && std::isspace(peek()))
            take();
    }
    ~Scanner() {
        // What the last item left unread goes back to the stream.
        if (has_next_ && next_ != EOF) std::ungetc(next_, stream_);
    }

  private:
    std::FILE* stream_;
    int next_ = EOF;
    bool has_next_ = false;
};

bool is_digit(int c) {
    return c >= '0' && c <= '9';
}

// Digits beyond this only matter as "too large": the value saturates instead of overflowing.
constexpr int64_t SATURATED = 1000000000;

// "%d": white space, an optional sign, then decimal digits. A sign without digits is consumed
// and fails, as in scanf.
bool scan_integer(Scanner& in, int32_t& value) {
    in.skip_white_space();
    const bool negative = in.take_if('-');
    if (!negative) in.take_if('+');
    if (!is_digit(in.peek())) return false;
    int64_t magnitude = 0;
    while (is_digit(in.peek())) {
        if (magnitude < SATURATED) magnitude = magnitude * 10 + (in.peek() - '0');
        in.take();
    }
    if (magnitude > WEIGHT_LIMIT) magnitude = WEIGHT_LIMIT;
    value = static_cast<int32_t>(negative ? -magnitude : magnitude);
    return true;
}

// Matches a word case-insensitively, consuming what matched; true when all of it did.
bool scan_word(Scanner& in, const char* word) {
    for (; *word != '\0'; ++word) {
        if (in.peek() == EOF || std::tolower(in.peek()) != *word) return false;
        in.take();
    }
    return true;
}

// "%f" in decimal notation (digits with an optional point and exponent), or "inf", "infinity"
// or "nan" in any case. Like the C library's scanf, an exponent letter without digits after it
// is consumed and ignored. The number is rebuilt with at most a few dozen significant digits and
// a bounded exponent before conversion, so no length of input can overflow anything.
bool scan_real(Scanner& in, float& value) {
    in.skip_white_space();
    const bool negative = in.take_if('-');
    if (!negative) in.take_if('+');
    const float sign = negative ? -1.0f : 1.0f;
    const int first = std::tolower(in.peek());
    if (first == 'i') {
        if (!scan_word(in, "inf")) return false;
        scan_word(in, "inity");
        value = sign * OFFENSIVENESS_LIMIT;
        return true;
    }
    if (first == 'n') {
        if (!scan_word(in, "nan")) return false;
        value = 0.0f;
        return true;
    }
    constexpr int KEPT_DIGITS = 40;
    std::string digits;   // significant digits, leading zeros dropped
    int64_t exponent = 0; // decimal exponent of the last kept digit
    bool any_digit = false;
    const auto take_digit = [&](bool after_point) {
        const char digit = static_cast<char>(in.peek());
        in.take();
        any_digit = true;
        if (digits.empty() && digit == '0') {
            if (after_point) --exponent;
            return;
        }
        if (static_cast<int>(digits.size()) < KEPT_DIGITS) {
            digits += digit;
            if (after_point) --exponent;
        } else if (!after_point && exponent < SATURATED) {
            ++exponent;
        }
    };
    while (is_digit(in.peek()))
        take_digit(false);
    if (in.take_if('.'))
        while (is_digit(in.peek()))
            take_digit(true);
    if (!any_digit) return false;
    if (in.take_if_either('e', 'E')) {
        const bool exponent_negative = in.take_if('-');
        if (!exponent_negative) in.take_if('+');
        int64_t written = 0;
        while (is_digit(in.peek())) {
            if (written < SATURATED) written = written * 10 + (in.peek() - '0');
            in.take();
        }
        exponent += exponent_negative ? -written : written;
    }
    float magnitude = 0.0f;
    if (!digits.empty()) {
        // Far beyond the limit or far below any float: no need to convert.
        if (exponent + static_cast<int64_t>(digits.size()) > 10)
            magnitude = OFFENSIVENESS_LIMIT;
        else if (exponent < -100)
            magnitude = 0.0f;
        else
            magnitude = std::strtof((digits + "e" + std::to_string(exponent)).c_str(), nullptr);
    }
    if (magnitude > OFFENSIVENESS_LIMIT) magnitude = OFFENSIVENESS_LIMIT;
    value = sign * magnitude;
    return true;
}

// One item, the way scanf reads its format: white space in the format skips any run of white
// space in the input, "%d" and "%f" read a number, any other character must match the next
// input character exactly. The first failure ends the item; nothing matched is given back.
void scan_item(Scanner& in, const ParameterItem& item) {
    for (const char* format = item.format; *format != '\0'; ++format) {
        if (std::isspace(static_cast<unsigned char>(*format))) {
            in.skip_white_space();
        } else if (*format == '%') {
            ++format;
            int32_t integer = 0;
            float real = 0.0f;
            if (*format == 'd' ? !scan_integer(in, integer) : !scan_real(in, real)) return;
            if (item.integer != nullptr) *item.integer = integer;
            if (item.real != nullptr) *item.real = real;
        } else if (!in.take_if(*format)) {
            return;
        }
    }
}

} // namespace

void read_parameters(std::FILE* stream) {
    Scanner in(stream);
    for (const ParameterItem& item : PARAMETER_ITEMS)
        scan_item(in, item);
}

namespace {

// The items as the echo shows them, or all of them as the file holds them.
std::string formatted_items(bool echoed_only) {
    std::string text;
    char line[128];
    for (const ParameterItem& item : PARAMETER_ITEMS) {
        if (echoed_only && !item.echoed) continue;
        if (item.integer != nullptr)
            std::snprintf(line, sizeof line, item.format, *item.integer);
        else
            std::snprintf(line, sizeof line, item.format, static_cast<double>(*item.real));
        text += line;
    }
    return text;
}

} // namespace

std::string parameter_echo() {
    return formatted_items(true) + "\nKelmora.ini loaded successfully!\n\n";
}

std::string parameter_file_text() {
    return formatted_items(false);
}

void echo_parameters() {
    std::fputs(parameter_echo().c_str(), stdout);
}

namespace {

void set_every_weight_to_zero() {
    for (const ParameterItem& item : PARAMETER_ITEMS) {
        if (item.integer != nullptr) *item.integer = 0;
        if (item.real != nullptr) *item.real = 0.0f;
    }
}

} // namespace

std::string load_parameters_from_stream(std::FILE* stream) {
    set_every_weight_to_zero();
    read_parameters(stream);
    return parameter_echo();
}

std::string load_parameters_from(const char* file_name) {
    std::FILE* file = std::fopen(file_name, "r");
    if (file == nullptr) {
        set_every_weight_to_zero();
        return "Kelmora.ini not found!\n";
    }
    const std::string echo = load_parameters_from_stream(file);
    std::fclose(file);
    return echo;
}

void load_parameters() {
    std::fputs(load_parameters_from("kelmora.ini").c_str(), stdout);
}
