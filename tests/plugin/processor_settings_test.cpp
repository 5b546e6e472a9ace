#include "plugin/processor_settings.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/alloc_hook.hpp"

namespace vessimor {
namespace {

namespace dsp = quorvane_dsp_kit;

class ProcessorSettings : public ::testing::Test {
 protected:
  void update(float tempo = 120.0F) { update_processor_params(params, tempo, processor); }

  VessimorParams params;
  VessimorProcessor processor{44100.0F};
};

TEST_F(ProcessorSettings, GainsAndClamps) {
  params.input_gain.set_plain_value(-12.0F);
  params.mix.set_plain_value(1.5F);  // out of range, e.g. from a preset
  params.stereo_width.set_plain_value(-1.0F);
  update();
  EXPECT_FLOAT_EQ(processor.input_gain, 0.2511886F);
  EXPECT_FLOAT_EQ(processor.output_gain, 1.0F);
  EXPECT_EQ(processor.mix, 1.0F);
  EXPECT_EQ(processor.width, 0.0F);
  EXPECT_EQ(processor.ring_depth, 1.0F);

  // A gain from outside its range plays as the range's end, which is what the host shows.
  const float plus_12_db = std::pow(10.0F, 12.0F / 20.0F);
  params.input_gain.set_plain_value(1e30F);
  params.output_gain.set_plain_value(40.0F);
  update();
  EXPECT_EQ(processor.input_gain, plus_12_db);
  EXPECT_EQ(processor.output_gain, plus_12_db);
  params.input_gain.set_plain_value(-200.0F);
  params.output_gain.set_plain_value(std::numeric_limits<float>::quiet_NaN());
  update();
  EXPECT_EQ(processor.input_gain, std::pow(10.0F, -12.0F / 20.0F));
  EXPECT_EQ(processor.output_gain, std::pow(10.0F, -24.0F / 20.0F));
}

TEST_F(ProcessorSettings, LockFrequencyReachesCarriersClamped) {
  params.lock_freq.set_plain_value(20.0F);
  update();
  EXPECT_EQ(processor.lock_frequency, 40.0F);  // lock motion moves around what the host shows
  EXPECT_EQ(processor.left.frequency, 40.0F);

  params.lock_freq.set_plain_value(6000.0F);
  update();
  EXPECT_EQ(processor.left.frequency, 5000.0F);
}

TEST_F(ProcessorSettings, LockMotionSwitchLagsOneBlock) {
  params.lock_motion_enable.set_plain_value(true);
  params.lock_freq.set_plain_value(1000.0F);
  update();  // lock motion was still off: the frequency is set once more
  EXPECT_EQ(processor.left.frequency, 1000.0F);
  EXPECT_TRUE(processor.lock_motion_enabled);

  params.lock_freq.set_plain_value(2000.0F);
  update();  // now the chain owns the frequency
  EXPECT_EQ(processor.left.frequency, 1000.0F);
  EXPECT_EQ(processor.lock_frequency, 2000.0F);
}

TEST_F(ProcessorSettings, DivisionsBecomeLfoRates) {
  params.lock_motion_rate.set_plain_value(7);  // "1/4T"
  update(120.0F);
  EXPECT_FLOAT_EQ(processor.lock_lfo.rate, 3.0F);
  EXPECT_FLOAT_EQ(processor.lock_lfo.increment, 3.0F / 44100.0F);

  params.lock_motion_rate.set_plain_value(0);  // "4 bars"
  update(120.0F);
  EXPECT_FLOAT_EQ(processor.lock_lfo.rate, 0.125F);

  params.trig_div.set_plain_value(3);  // "1/32"
  update(300.0F);
  EXPECT_FLOAT_EQ(processor.trigger_lfo.rate, 40.0F);

  params.mode_cycle_div.set_plain_value(9);  // beyond the table
  params.lock_motion_shape.set_plain_value(7);
  update(120.0F);
  EXPECT_EQ(processor.cycle_division, 0);
  EXPECT_FLOAT_EQ(processor.cycle_lfo.rate, 2.0F);
  EXPECT_EQ(processor.lock_lfo.shape, dsp::LfoShape::Sine);
}

TEST_F(ProcessorSettings, LockLfoFollowsTempoOneBlockLate) {
  params.lock_motion_rate.set_plain_value(4);  // "1/4"
  params.trig_div.set_plain_value(0);          // "1/4"
  update(120.0F);
  update(60.0F);
  EXPECT_FLOAT_EQ(processor.trigger_lfo.rate, 1.0F);
  EXPECT_FLOAT_EQ(processor.lock_lfo.rate, 2.0F);
  update(60.0F);
  EXPECT_FLOAT_EQ(processor.lock_lfo.rate, 1.0F);
}

TEST_F(ProcessorSettings, TempoIsClampedAndSetsTheGrid) {
  update(10.0F);
  EXPECT_EQ(processor.bpm, 20.0F);
  EXPECT_EQ(processor.grid_period, 66150U);
  update(std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(processor.bpm, 20.0F);
  update(1000.0F);
  EXPECT_EQ(processor.bpm, 300.0F);
}

TEST_F(ProcessorSettings, CombTuning) {
  params.comb_tuning.set_plain_value(20.0F);
  params.comb_feedback.set_plain_value(2.0F);
  update();
  EXPECT_FLOAT_EQ(processor.comb_left.delay_samples, 2205.0F);
  EXPECT_FLOAT_EQ(processor.comb_right.delay_samples, 2205.0F);
  EXPECT_EQ(processor.comb_left.feedback, 0.95F);

  // A NaN must not reach the delay read.
  params.comb_tuning.set_plain_value(std::numeric_limits<float>::quiet_NaN());
  update();
  EXPECT_FLOAT_EQ(processor.comb_left.delay_samples, 2205.0F);
}

TEST_F(ProcessorSettings, CharacterAmountThresholds) {
  params.char_amount.set_plain_value(0.0F);
  update();
  EXPECT_EQ(processor.wavefolder.stages, 1U);
  EXPECT_FLOAT_EQ(processor.grit_saturator.drive, 0.5F);
  EXPECT_FLOAT_EQ(processor.warm_saturator.drive, 0.4F);
  EXPECT_FLOAT_EQ(processor.wavefolder.drive, 0.6F);
  EXPECT_FLOAT_EQ(processor.fold_gain, 1.5F);

  for (const auto& [amount, stages] :
       {std::pair{0.3F, 1U}, std::pair{0.31F, 2U}, std::pair{0.7F, 2U}, std::pair{0.71F, 3U}}) {
    params.char_amount.set_plain_value(amount);
    update();
    EXPECT_EQ(processor.wavefolder.stages, stages) << amount;
  }
}

TEST_F(ProcessorSettings, CharacterModeWaitsForTheGridWhilePlaying) {
  params.char_mode.set_plain_value(2);
  update();
  EXPECT_EQ(processor.character_mode, CharacterMode::Warm);
  EXPECT_EQ(processor.pending_character_mode, CharacterMode::None);

  processor.playing = true;
  params.char_mode.set_plain_value(3);
  update();
  EXPECT_EQ(processor.character_mode, CharacterMode::Warm);
  EXPECT_EQ(processor.pending_character_mode, CharacterMode::Fold);
}

TEST_F(ProcessorSettings, CarrierModeUnlessCycling) {
  params.carrier_mode.set_plain_value(2);
  update();
  EXPECT_EQ(processor.left.mode, dsp::CarrierMode::Swarm);

  processor.cycle_counter = 5;
  params.mode_cycle_enable.set_plain_value(true);
  params.carrier_mode.set_plain_value(1);
  update();
  EXPECT_EQ(processor.left.mode, dsp::CarrierMode::Swarm) << "the cycle owns the mode";
  EXPECT_EQ(processor.cycle_counter, 5U);

  params.mode_cycle_enable.set_plain_value(false);
  update();
  EXPECT_EQ(processor.left.mode, dsp::CarrierMode::Stoch);
  EXPECT_EQ(processor.cycle_counter, 0U);
}

TEST_F(ProcessorSettings, FormantPositionHeldWhileMorphing) {
  params.formant_position.set_plain_value(0.9F);
  update();
  EXPECT_FLOAT_EQ(processor.left.formant.position, 0.9F);

  params.formant_morph_rate.set_plain_value(2.0F);
  params.formant_position.set_plain_value(0.1F);
  update();  // the morph was still at rest: the position jumps once more
  EXPECT_FLOAT_EQ(processor.left.formant.position, 0.1F);
  EXPECT_FLOAT_EQ(processor.left.morph_lfo.rate, 2.0F);

  params.formant_position.set_plain_value(0.6F);
  update();
  EXPECT_FLOAT_EQ(processor.left.formant.position, 0.1F);
  EXPECT_FLOAT_EQ(processor.left.formant_position, 0.6F);
  EXPECT_EQ(processor.base_formant_position, 0.6F);
}

TEST_F(ProcessorSettings, StochasticAndSwarmSettings) {
  params.stoch_density.set_plain_value(1.0F);
  params.stoch_spread.set_plain_value(-0.5F);
  params.swarm_drift.set_plain_value(0.7F);
  params.swarm_count.set_plain_value(9);
  update();
  EXPECT_FLOAT_EQ(processor.left.stoch_clock.frequency, 50.0F);
  EXPECT_EQ(processor.base_stoch_spread, 0.0F);
  EXPECT_EQ(processor.left.stoch_spread, 0.0F);
  EXPECT_EQ(processor.left.bank.drift, 0.7F);
  EXPECT_EQ(processor.left.bank.size(), 9U);
}

// Values outside the parameters' ranges (from a preset file or a saved state) must not reach the
// engine, and the rates keep their floors: a zero rate would freeze an LFO or the stochastic clock.
TEST_F(ProcessorSettings, FloorsAndClampsHoldForOutOfRangeValues) {
  params.formant_morph_rate.set_plain_value(-3.0F);
  params.formant_position.set_plain_value(7.0F);
  params.stoch_density.set_plain_value(-1.0F);
  params.stoch_smoothing.set_plain_value(4.0F);
  params.carrier_env_amount.set_plain_value(3.0F);
  params.lock_motion_depth.set_plain_value(-2.0F);
  params.trig_amount.set_plain_value(1.5F);
  params.comb_mix.set_plain_value(-0.5F);
  params.comb_tuning.set_plain_value(9000.0F);
  params.swarm_spread.set_plain_value(2.0F);
  update();
  {
    const dsp::Carrier* carrier = &processor.left;
    EXPECT_EQ(carrier->morph_rate, 0.0F);
    EXPECT_FLOAT_EQ(carrier->morph_lfo.rate, 0.001F);
    EXPECT_FLOAT_EQ(carrier->morph_lfo.increment, 0.001F / 44100.0F);
    EXPECT_FLOAT_EQ(carrier->stoch_clock.frequency, 0.5F);
    EXPECT_FLOAT_EQ(carrier->stoch_clock.increment, 0.5F / 44100.0F);
    EXPECT_EQ(carrier->stoch_density, 0.0F);
    EXPECT_EQ(carrier->stoch_smoothing, 1.0F);
    EXPECT_EQ(carrier->smoothing, 1.0F);
    EXPECT_EQ(carrier->swarm_spread, 1.0F);
  }
  EXPECT_EQ(processor.base_formant_position, 1.0F);
  EXPECT_EQ(processor.base_stoch_density, 0.0F);
  EXPECT_EQ(processor.base_swarm_spread, 1.0F);
  EXPECT_EQ(processor.env_amount, 1.0F);
  EXPECT_EQ(processor.lock_depth, 0.0F);
  EXPECT_EQ(processor.trigger_amount, 1.0F);
  EXPECT_EQ(processor.comb_left.mix, 0.0F);
  EXPECT_EQ(processor.comb_right.frequency, 5000.0F);
  EXPECT_FLOAT_EQ(processor.comb_right.delay_samples, 44100.0F / 5000.0F);
}

TEST_F(ProcessorSettings, AllocatesNothingEvenWhenTheSwarmGrows) {
  update();
  params.swarm_count.set_plain_value(16);
  params.char_mode.set_plain_value(1);
  test::AllocationHook hook;
  update(133.0F);
  update(133.0F);
  EXPECT_EQ(hook.count(), 0U);
}

}  // namespace
}  // namespace vessimor
