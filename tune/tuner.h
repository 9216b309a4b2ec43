// The weight tuner: the scale of the logistic that turns a score into an expected result, and a
// local search over the weights that lowers the mean squared error between the labels and the
// expected results of the evaluation's scores.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eval/parameter_file.h"
#include "tune/labelled_data.h"

// Phases, as bits of a mask.
inline constexpr uint8_t IN_OPENING = 1, IN_MIDDLEGAME = 2, IN_ENDGAME = 4;

// A weight the local search may move, and the phases whose evaluator reads it: only positions
// of those phases need scoring again when it changes.
struct TunableWeight {
    const ParameterItem* item;
    uint8_t phases;
    std::string name() const; // its key in the weight file
};

// Every weight that some phase reads, in file order (OROOK_PAIR_ON_SEVENTH is read by none).
std::vector<TunableWeight> tunable_weights();

// The local search moves OFFENSIVENESS in steps of this many hundredths per integer step.
inline constexpr int32_t OFFENSIVENESS_STEP_HUNDREDTHS = 5;

// Sets a weight, clamped to what the weight file can hold, as the file will read it back, and
// tells the evaluation. Integer weights are rounded.
void set_weight(const TunableWeight& weight, double value);
double weight_value(const TunableWeight& weight);

// The expected result for white of a score from white's point of view.
double expected_result(int32_t white_score, double k);

class Tuner {
  public:
    // Takes the samples and scores them all with the weights in force.
    explicit Tuner(std::vector<Sample> samples);

    size_t size() const { return samples_.size(); }
    double k() const { return k_; }
    void set_k(double k);
    // The k that minimises the error with the weights in force (golden-section search).
    double fit_k();
    // Mean squared error of the expected results against the labels.
    double error() const;
    double error_with(double k) const;

    // From now on the search lowers the error plus `strength` times the sum of the squared
    // distances of the weights from their values now, in steps (1 for an integer weight,
    // 0.05 for OFFENSIVENESS): a pull towards the starting weights. 0 (the default) for none.
    void set_regularisation(double strength);
    double penalty() const;

    // One pass over every weight: each moves by `step` (in its units) in the direction that
    // lowers the error (plus the penalty) for as long as it does. Returns how many weights
    // moved.
    int sweep(int32_t step);

    // Scores every sample afresh, in seconds; the cached scores must agree.
    double timed_full_pass(bool& agrees);

  private:
    struct PhaseRange {
        size_t begin, end;
        double squared_error; // sum over the range with the cached scores
    };
    double squared_error(size_t index, int32_t score) const;
    // Scores the phases of `mask` into trial_scores_; returns their squared errors by phase.
    void score_phases(uint8_t mask, double* sums);
    // The error with the weight just set, accepted (scores kept) or not.
    double trial_error(uint8_t mask, double* sums);
    void accept(uint8_t mask, const double* sums);

    std::vector<Sample> samples_; // sorted by phase
    std::vector<int32_t> scores_;
    std::vector<int32_t> trial_scores_;
    PhaseRange phases_[3];
    double k_ = 1.0;
    std::vector<TunableWeight> weights_;
    double regularisation_ = 0.0;
    std::vector<double> anchors_; // the weights the penalty pulls towards
};
