// vantrek-tune [--weights F] [--output F] [--k K] [--regularise R] [--max-sweeps N] DATA...
//
// Fits the evaluation weights to labelled positions. The records, the store of positions and
// the local search live in tune/; this is the command line around them.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "board/game.h"
#include "board/keys.h"
#include "board/position.h"
#include "eval/parameter_file.h"
#include "platform/platform.h"
#include "tune/labelled_data.h"
#include "tune/tuner.h"

namespace {

const char* const USAGE =
    "usage: vantrek-tune [--weights FILE] [--output FILE] [--k K] [--regularise R]\n"
    "                    [--max-sweeps N] DATA...\n"
    "\n"
    "Fits Vantrek's evaluation weights to labelled positions and writes them as a complete\n"
    "weight file. DATA files hold records, one a line:\n"
    "  game <moves>      a game in coordinate moves from the initial position\n"
    "  <ply> <label>     the position after the first <ply> moves of the last game\n"
    "  <FEN>;<label>     a position from FEN (move counts only approximated)\n"
    "where a label is the expected result for white, from 0 (loss) to 1 (win).\n"
    "Positions in check are left out; each other one is scored at the end of its\n"
    "quiescence search's principal variation. First the scale K of the logistic\n"
    "1 / (1 + 10^(-K * score / 400)) is fitted, then the weights, by a local search that\n"
    "lowers the mean squared error with steps of 8, 4, 2 and 1 (OFFENSIVENESS: 0.05 per 1).\n"
    "\n"
    "  --weights FILE    starting weights (default kelmora.ini)\n"
    "  --output FILE     the weight file to write (default tuned.ini); replaced only when\n"
    "                    the new one is complete\n"
    "  --k K             use this K instead of fitting it\n"
    "  --regularise R    lower the error plus R times the sum of the squared distances of\n"
    "                    the weights from the starting ones, in steps (default 0)\n"
    "  --max-sweeps N    sweeps over all weights per step size at most (default 20)\n"
    "  --help            show this text\n";

[[noreturn]] void fail(const std::string& message, int status = 1) {
    std::fprintf(stderr, "vantrek-tune: %s\n", message.c_str());
    std::exit(status);
}

[[noreturn]] void usage_error(const std::string& message) {
    fail(message + "\n(try vantrek-tune --help)", 2);
}

double number_argument(int argument_count, char** arguments, int& i, double low, double high) {
    const std::string option = arguments[i];
    if (i + 1 >= argument_count) usage_error(option + " needs a number");
    const char* text = arguments[++i];
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= low && value <= high))
        usage_error(std::string("bad value '") + text + "' for " + option);
    return value;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Writes beside the target and renames, so a failed write leaves the old file as it was.
bool write_weight_file(const std::string& path) {
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << parameter_file_text();
        out.close();
        if (!out) return false;
    }
    return !replace_file(temporary, path);
}

} // namespace

int main(int argument_count, char** arguments) {
    std::string weights_file = "kelmora.ini", output = "tuned.ini";
    double fixed_k = 0.0, regularisation = 0.0;
    int max_sweeps = 20;
    std::vector<std::string> inputs;
    for (int i = 1; i < argument_count; ++i) {
        const std::string argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(USAGE, stdout);
            return 0;
        } else if (argument == "--weights" || argument == "--output") {
            if (i + 1 >= argument_count) usage_error(argument + " needs a file name");
            (argument == "--weights" ? weights_file : output) = arguments[++i];
        } else if (argument == "--k") {
            fixed_k = number_argument(argument_count, arguments, i, 1e-6, 100.0);
        } else if (argument == "--regularise") {
            regularisation = number_argument(argument_count, arguments, i, 0.0, 1.0);
        } else if (argument == "--max-sweeps") {
            max_sweeps = static_cast<int>(number_argument(argument_count, arguments, i, 0, 1e6));
        } else if (argument.size() > 1 && argument[0] == '-') {
            usage_error("unknown option '" + argument + "'");
        } else {
            inputs.push_back(argument);
        }
    }
    if (inputs.empty()) usage_error("no data file given");
    const auto start = std::chrono::steady_clock::now();

    // 1. The starting weights, as the engine reads them.
    if (load_parameters_from(weights_file.c_str()) == "Kelmora.ini not found!\n")
        fail("cannot read the weight file " + weights_file);
    init_keys();
    new_game();

    // 2. The labelled positions.
    std::vector<Sample> samples;
    DataReport report;
    for (const std::string& input : inputs) {
        std::ifstream in(input);
        if (!in) fail("cannot read " + input);
        read_labelled_positions(in, input, samples, report, std::cerr);
    }
    std::printf("read %lld games, %lld labelled positions in %.1f s: %lld in check left out, "
                "%lld replaced by the end of their captures, %lld records skipped\n",
                static_cast<long long>(report.games), static_cast<long long>(report.labelled),
                seconds_since(start), static_cast<long long>(report.in_check),
                static_cast<long long>(report.resolved), static_cast<long long>(report.problems));
    if (samples.empty()) fail("no position to tune on");

    // 3. The scale, and the error before.
    Tuner tuner(std::move(samples));
    bool agrees = true;
    const double pass = tuner.timed_full_pass(agrees);
    std::printf("positions %zu; one pass (restore and evaluate each) %.3f s, %.3f s per 500000\n",
                tuner.size(), pass, pass * 500000.0 / static_cast<double>(tuner.size()));
    if (fixed_k > 0.0)
        tuner.set_k(fixed_k);
    else
        tuner.fit_k();
    const double error_before = tuner.error();
    std::printf("K %.6f\nerror before %.8f\n", tuner.k(), error_before);
    tuner.set_regularisation(regularisation);
    std::fflush(stdout);

    // 4. The weights: coarse steps first, then finer ones.
    const std::vector<TunableWeight> weights = tunable_weights();
    std::vector<double> initial;
    for (const TunableWeight& weight : weights)
        initial.push_back(weight_value(weight));
    for (const int32_t step : {8, 4, 2, 1}) {
        for (int sweep = 1; sweep <= max_sweeps; ++sweep) {
            const auto sweep_start = std::chrono::steady_clock::now();
            const int moved = tuner.sweep(step);
            std::printf("step %d sweep %d: %d weights moved, error %.8f, penalty %.8f, %.1f s\n",
                        step, sweep, moved, tuner.error(), tuner.penalty(),
                        seconds_since(sweep_start));
            std::fflush(stdout);
            if (moved == 0) break;
        }
    }

    // 5. Every cached score must still be the evaluation's own.
    tuner.timed_full_pass(agrees);
    if (!agrees) fail("internal error: cached scores differ from the evaluation's");
    std::printf("error after %.8f (before %.8f, K %.6f)\n", tuner.error(), error_before, tuner.k());
    for (size_t i = 0; i < weights.size(); ++i)
        if (weight_value(weights[i]) != initial[i])
            std::printf("  %s %g -> %g\n", weights[i].name().c_str(), initial[i],
                        weight_value(weights[i]));

    // 6. The weight file.
    if (!write_weight_file(output)) fail("cannot write " + output);
    std::printf("wrote %s in %.1f s in all\n", output.c_str(), seconds_since(start));
    return 0;
}
