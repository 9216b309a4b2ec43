#include "tune/tuner.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "board/game.h"
#include "eval/evaluate.h"
#include "eval/parameters.h"

namespace {

// Which phase evaluators read each weight. A weight missing here is never moved.
struct WeightPhases {
    const void* weight;
    uint8_t phases;
};
constexpr uint8_t ALL_PHASES = IN_OPENING | IN_MIDDLEGAME | IN_ENDGAME;
const WeightPhases WEIGHT_PHASES[] = {
    {&BLOCKED_CENTER_PAWN, IN_OPENING | IN_MIDDLEGAME},
    {&ROOK_TRAPPED, IN_OPENING | IN_MIDDLEGAME},
    {&DOUBLED_ROOKS, IN_MIDDLEGAME},
    {&GOOD_BISHOP, ALL_PHASES},
    {&BAD_BISHOP, ALL_PHASES},
    {&TRAPPED_BISHOP, IN_MIDDLEGAME},
    {&OBISHOP_PAIR, IN_OPENING},
    {&MBISHOP_PAIR, IN_MIDDLEGAME},
    {&EBISHOP_PAIR, IN_ENDGAME},
    {&OUTPOSTED, ALL_PHASES},
    {&STRONG_OUTPOST, ALL_PHASES},
    {&OFFENSIVENESS, IN_MIDDLEGAME},
    {&ROOK_ATTACK_KING, IN_MIDDLEGAME},
    {&QUEEN_ATTACK_KING, IN_MIDDLEGAME},
    {&OMULTIPLE_PAWNS_PENALTY, IN_OPENING},
    {&OISOLATED_PAWN_PENALTY, IN_OPENING},
    {&OEXPOSED_ISOLATED_PAWN, IN_OPENING},
    {&OBACKWARD_PAWN_PENALTY, IN_OPENING},
    {&OEXPOSED_BACKWARD_PAWN, IN_OPENING},
    {&OPASSED_PAWN_BONUS, IN_OPENING},
    {&OCONNECTED_PASSED_PAWN, IN_OPENING},
    {&OROOK_ON_SEVENTH_BONUS, IN_OPENING},
    {&OROOK_SEMI_OPEN_FILE, IN_OPENING},
    {&OROOK_OPEN_FILE_BONUS, IN_OPENING},
    {&UNDEVELOPED_PIECE, IN_OPENING},
    {&EARLY_QUEEN_DEVELOPMENT, IN_OPENING},
    {&MMULTIPLE_PAWNS_PENALTY, IN_MIDDLEGAME},
    {&MISOLATED_PAWN_PENALTY, IN_MIDDLEGAME},
    {&MEXPOSED_ISOLATED_PAWN, IN_MIDDLEGAME},
    {&MBACKWARD_PAWN_PENALTY, IN_MIDDLEGAME},
    {&MEXPOSED_BACKWARD_PAWN, IN_MIDDLEGAME},
    {&MPASSED_PAWN_BONUS, IN_MIDDLEGAME},
    {&MCONNECTED_PASSED_PAWN, IN_MIDDLEGAME},
    {&MOUTSIDE_PASSED_PAWN, IN_MIDDLEGAME},
    {&MROOK_ON_SEVENTH_BONUS, IN_MIDDLEGAME},
    {&MROOK_PAIR_ON_SEVENTH, IN_MIDDLEGAME},
    {&MROOK_SEMI_OPEN_FILE, IN_MIDDLEGAME},
    {&MROOK_OPEN_FILE_BONUS, IN_MIDDLEGAME},
    {&EMULTIPLE_PAWNS_PENALTY, IN_ENDGAME},
    {&EISOLATED_PAWN_PENALTY, IN_ENDGAME},
    {&EEXPOSED_ISOLATED_PAWN, IN_ENDGAME},
    {&EBACKWARD_PAWN_PENALTY, IN_ENDGAME},
    {&EEXPOSED_BACKWARD_PAWN, IN_ENDGAME},
    {&EPASSED_PAWN_BONUS, IN_ENDGAME},
    {&ECONNECTED_PASSED_PAWN, IN_ENDGAME},
    {&EOUTSIDE_PASSED_PAWN, IN_ENDGAME},
    {&EROOK_ON_SEVENTH_BONUS, IN_ENDGAME},
    {&EROOK_PAIR_ON_SEVENTH, IN_ENDGAME},
    {&EROOK_SEMI_OPEN_FILE, IN_ENDGAME},
    {&EROOK_OPEN_FILE_BONUS, IN_ENDGAME},
};

int phase_of(const StoredPosition& position) {
    if (position.non_pawn_count >= OPENING_MINIMUM) return 0;
    if (position.non_pawn_count >= MIDDLEGAME_MINIMUM) return 1;
    return 2;
}

} // namespace

std::string TunableWeight::name() const {
    const std::string format = item->format;
    return format.substr(0, format.find('='));
}

std::vector<TunableWeight> tunable_weights() {
    std::vector<TunableWeight> weights;
    for (const ParameterItem& item : PARAMETER_ITEMS) {
        const void* weight = item.integer != nullptr ? static_cast<const void*>(item.integer)
                                                     : static_cast<const void*>(item.real);
        for (const WeightPhases& entry : WEIGHT_PHASES)
            if (entry.weight == weight) weights.push_back({&item, entry.phases});
    }
    return weights;
}

void set_weight(const TunableWeight& weight, double value) {
    if (weight.item->integer != nullptr) {
        value = std::clamp(std::round(value), -double{WEIGHT_LIMIT}, double{WEIGHT_LIMIT});
        *weight.item->integer = static_cast<int32_t>(value);
    } else {
        // The file holds the float with six decimals: keep exactly what it will read back.
        value = std::clamp(value, -double{OFFENSIVENESS_LIMIT}, double{OFFENSIVENESS_LIMIT});
        char text[64];
        std::snprintf(text, sizeof text, "%f", value);
        *weight.item->real = std::strtof(text, nullptr);
    }
}

double weight_value(const TunableWeight& weight) {
    return weight.item->integer != nullptr ? *weight.item->integer : *weight.item->real;
}

double expected_result(int32_t white_score, double k) {
    return 1.0 / (1.0 + std::pow(10.0, -k * white_score / 400.0));
}

Tuner::Tuner(std::vector<Sample> samples)
    : samples_(std::move(samples)), weights_(tunable_weights()) {
    // Grouped by phase: a weight of one phase rescores one range.
    std::stable_sort(samples_.begin(), samples_.end(), [](const Sample& a, const Sample& b) {
        return phase_of(a.position) < phase_of(b.position);
    });
    size_t begin = 0;
    for (int phase = 0; phase < 3; ++phase) {
        size_t end = begin;
        while (end < samples_.size() && phase_of(samples_[end].position) == phase)
            ++end;
        phases_[phase] = {begin, end, 0.0};
        begin = end;
    }
    scores_.resize(samples_.size());
    trial_scores_.resize(samples_.size());
    double sums[3];
    score_phases(ALL_PHASES, sums);
    scores_ = trial_scores_;
    set_k(k_);
}

double Tuner::squared_error(size_t index, int32_t score) const {
    const double difference = samples_[index].label - expected_result(score, k_);
    return difference * difference;
}

void Tuner::set_k(double k) {
    k_ = k;
    for (PhaseRange& phase : phases_) {
        phase.squared_error = 0.0;
        for (size_t i = phase.begin; i < phase.end; ++i)
            phase.squared_error += squared_error(i, scores_[i]);
    }
}

double Tuner::error() const {
    if (samples_.empty()) return 0.0;
    double sum = 0.0;
    for (const PhaseRange& phase : phases_)
        sum += phase.squared_error;
    return sum / static_cast<double>(samples_.size());
}

double Tuner::error_with(double k) const {
    if (samples_.empty()) return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < samples_.size(); ++i) {
        const double difference = samples_[i].label - expected_result(scores_[i], k);
        sum += difference * difference;
    }
    return sum / static_cast<double>(samples_.size());
}

double Tuner::fit_k() {
    // The error is unimodal in k: golden-section search over log10(k) from 0.001 to 10.
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double low = -3.0, high = 1.0;
    double a = high - ratio * (high - low), b = low + ratio * (high - low);
    double error_a = error_with(std::pow(10.0, a)), error_b = error_with(std::pow(10.0, b));
    for (int iteration = 0; iteration < 60; ++iteration) {
        if (error_a < error_b) {
            high = b, b = a, error_b = error_a;
            a = high - ratio * (high - low);
            error_a = error_with(std::pow(10.0, a));
        } else {
            low = a, a = b, error_a = error_b;
            b = low + ratio * (high - low);
            error_b = error_with(std::pow(10.0, b));
        }
    }
    set_k(std::pow(10.0, (low + high) / 2.0));
    return k_;
}

void Tuner::score_phases(uint8_t mask, double* sums) {
    for (int phase = 0; phase < 3; ++phase) {
        const PhaseRange& range = phases_[phase];
        if ((mask & (1 << phase)) == 0) {
            sums[phase] = range.squared_error;
            continue;
        }
        double sum = 0.0;
        for (size_t i = range.begin; i < range.end; ++i) {
            restore_position(samples_[i].position);
            trial_scores_[i] = white_score();
            sum += squared_error(i, trial_scores_[i]);
        }
        sums[phase] = sum;
    }
}

double Tuner::trial_error(uint8_t mask, double* sums) {
    score_phases(mask, sums);
    return (sums[0] + sums[1] + sums[2]) / static_cast<double>(samples_.size());
}

void Tuner::accept(uint8_t mask, const double* sums) {
    for (int phase = 0; phase < 3; ++phase) {
        if ((mask & (1 << phase)) == 0) continue;
        PhaseRange& range = phases_[phase];
        std::copy(trial_scores_.begin() + range.begin, trial_scores_.begin() + range.end,
                  scores_.begin() + range.begin);
        range.squared_error = sums[phase];
    }
}

void Tuner::set_regularisation(double strength) {
    regularisation_ = strength;
    anchors_.clear();
    for (const TunableWeight& weight : weights_)
        anchors_.push_back(weight_value(weight));
}

double Tuner::penalty() const {
    if (regularisation_ == 0.0) return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < weights_.size(); ++i) {
        const double unit =
            weights_[i].item->integer != nullptr ? 1.0 : OFFENSIVENESS_STEP_HUNDREDTHS / 100.0;
        const double distance = (weight_value(weights_[i]) - anchors_[i]) / unit;
        sum += distance * distance;
    }
    return regularisation_ * sum;
}

int Tuner::sweep(int32_t step) {
    int moved = 0;
    double current = error() + penalty();
    for (const TunableWeight& weight : weights_) {
        const double delta =
            weight.item->integer != nullptr ? step : step * OFFENSIVENESS_STEP_HUNDREDTHS / 100.0;
        // Up while that helps; if the first step up does not, down while that helps.
        bool improved = false;
        for (const int direction : {1, -1}) {
            for (;;) {
                const double before = weight_value(weight);
                set_weight(weight, before + direction * delta);
                if (weight_value(weight) == before) break; // at the file's limit
                double sums[3];
                const double trial = trial_error(weight.phases, sums) + penalty();
                if (trial >= current) {
                    set_weight(weight, before);
                    break;
                }
                accept(weight.phases, sums);
                current = trial;
                improved = true;
            }
            if (improved) break;
        }
        moved += improved;
    }
    return moved;
}

double Tuner::timed_full_pass(bool& agrees) {
    const auto start = std::chrono::steady_clock::now();
    agrees = true;
    for (size_t i = 0; i < samples_.size(); ++i) {
        restore_position(samples_[i].position);
        if (white_score() != scores_[i]) agrees = false;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
