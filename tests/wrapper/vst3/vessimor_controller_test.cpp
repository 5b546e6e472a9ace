// Vessimor's 29 parameters as a VST3 host sees them through the edit controller, and the text a
// host shows reading back to the same value.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "framework/params/range.hpp"
#include "plugin/vessimor.hpp"
#include "tools/vst3_host/host.hpp"
#include "wrapper/vst3/factory.hpp"

namespace vessimor::test {
namespace {

namespace abi = vst3::abi;
using tools::vst3::ComPtr;

struct HostParam {
  std::string_view id;
  std::u16string_view title;
  std::u16string_view units;
  std::int32_t steps;
  double default_normalized;
  std::u16string_view default_text;  // without the unit, as the controller gives it
};

// Written out from the parameter list the product documents, not from the code.
constexpr std::array<HostParam, 29> HOST_PARAMS = {{
    {"input_gain", u"Input Gain", u" dB", 0, 0.5, u"0.0"},
    {"mix", u"Mix", u" %", 0, 0.5, u"50"},
    {"output_gain", u"Output Gain", u" dB", 0, 0.6666667, u"0.0"},
    {"stereo_width", u"Stereo Width", u" %", 0, 0.5, u"100"},
    // The frequency text names its own unit ("440 Hz", "1.2 kHz"): the unit field stays empty.
    {"lock_freq", u"Lock Frequency", u"", 0, 0.5328986, u"440 Hz"},
    {"lock_motion_enable", u"Lock Motion Enable", u"", 1, 0.0, u"Off"},
    {"lock_motion_rate", u"Lock Motion Rate", u"", 8, 0.5, u"1/4"},
    {"lock_motion_depth", u"Lock Motion Depth", u" %", 0, 0.5, u"50"},
    {"lock_motion_shape", u"Lock Motion Shape", u"", 4, 0.0, u"Sine"},
    {"carrier_mode", u"Carrier Mode", u"", 2, 0.0, u"Formant"},
    {"carrier_env_amount", u"Carrier Env Amount", u" %", 0, 0.0, u"0"},
    {"mode_cycle_enable", u"Mode Cycle Enable", u"", 1, 0.0, u"Off"},
    {"mode_cycle_div", u"Mode Cycle Division", u"", 3, 0.0, u"1/4"},
    {"formant_position", u"Formant Position", u"", 0, 0.5, u"0.50"},
    {"formant_width", u"Formant Width", u"", 0, 0.5, u"0.50"},
    {"formant_morph_rate", u"Formant Morph Rate", u" Hz", 0, 0.0, u"0.00"},
    {"stoch_spread", u"Stoch Spread", u"", 0, 0.3, u"0.30"},
    {"stoch_density", u"Stoch Density", u"", 0, 0.5, u"0.50"},
    {"stoch_smoothing", u"Stoch Smoothing", u"", 0, 0.5, u"0.50"},
    {"swarm_count", u"Swarm Count", u"", 14, 0.14285715, u"4"},
    {"swarm_spread", u"Swarm Spread", u"", 0, 0.2, u"0.20"},
    {"swarm_drift", u"Swarm Drift", u"", 0, 0.3, u"0.30"},
    {"trig_div", u"Trigger Division", u"", 3, 0.33333334, u"1/8"},
    {"trig_amount", u"Trigger Amount", u"", 0, 0.0, u"0.00"},
    {"char_mode", u"Character Mode", u"", 3, 0.0, u"Clean"},
    {"char_amount", u"Character Amount", u"", 0, 0.5, u"0.50"},
    {"comb_feedback", u"Comb Feedback", u"", 0, 0.0, u"0.00"},
    {"comb_tuning", u"Comb Tuning", u"", 0, 0.5388960, u"440 Hz"},
    {"comb_mix", u"Comb Mix", u"", 0, 0.0, u"0"},
}};

std::string narrow(std::u16string_view text) {
  return std::string(text.begin(), text.end());  // the texts here are ASCII
}

class Vst3VessimorController : public ::testing::Test {
 protected:
  Vst3VessimorController() {
    abi::IPluginFactory* factory = vst3::Factory<Vessimor>::create();
    void* face = nullptr;
    char class_id[16];
    std::memcpy(class_id, "QuoVessimorUnit", 16);
    EXPECT_EQ(
        factory->vtbl->createInstance(factory, class_id, abi::IEditController::iid.data(), &face),
        abi::kResultOk);
    abi::unknown_of(factory).release(factory);
    controller_ = ComPtr<abi::IEditController>::adopt(static_cast<abi::IEditController*>(face));
  }

  std::u16string text_of(abi::ParamID id, double normalized) const {
    abi::String128 text{};
    EXPECT_EQ(e().getParamStringByValue(controller_.get(), id, normalized, text), abi::kResultOk);
    return text;
  }
  std::optional<double> value_of(abi::ParamID id, std::u16string text) const {
    abi::ParamValue value = -1.0;
    if (e().getParamValueByString(controller_.get(), id, text.data(), &value) != abi::kResultOk) {
      return std::nullopt;
    }
    return value;
  }
  const abi::IEditControllerVtbl& e() const { return *controller_->vtbl; }

  ComPtr<abi::IEditController> controller_;
};

TEST_F(Vst3VessimorController, TheParametersAsAHostSeesThem) {
  ASSERT_EQ(e().getParameterCount(controller_.get()), 29);
  for (std::int32_t index = 0; index < 29; ++index) {
    const HostParam& expected = HOST_PARAMS[static_cast<std::size_t>(index)];
    abi::ParameterInfo info{};
    ASSERT_EQ(e().getParameterInfo(controller_.get(), index, &info), abi::kResultOk);
    EXPECT_EQ(info.id, hash_param_id(expected.id)) << expected.id;
    EXPECT_EQ(info.title, expected.title) << expected.id;
    EXPECT_EQ(info.shortTitle, expected.title) << expected.id;
    EXPECT_EQ(info.units, expected.units) << expected.id;
    EXPECT_EQ(info.stepCount, expected.steps) << expected.id;
    EXPECT_NEAR(info.defaultNormalizedValue, expected.default_normalized, 1e-7) << expected.id;
    EXPECT_EQ(info.unitId, abi::kRootUnitId) << expected.id;
    EXPECT_EQ(info.flags, abi::kCanAutomate) << expected.id;
    EXPECT_EQ(e().getParamNormalized(controller_.get(), info.id),
              static_cast<double>(static_cast<float>(info.defaultNormalizedValue)))
        << expected.id;
    EXPECT_EQ(text_of(info.id, info.defaultNormalizedValue), expected.default_text) << expected.id;
  }
  abi::ParameterInfo info{};
  EXPECT_EQ(e().getParameterInfo(controller_.get(), 29, &info), abi::kInvalidArgument);
}

// A host shows the controller's text followed by the unit field, and a user types either back.
TEST_F(Vst3VessimorController, EveryTextAHostShowsReadsBackToItself) {
  for (const HostParam& param : HOST_PARAMS) {
    const abi::ParamID id = hash_param_id(param.id);
    for (int i = 0; i <= 1000; ++i) {
      const double normalized = i / 1000.0;
      const std::u16string text = text_of(id, normalized);
      const std::u16string shown = text + std::u16string(param.units);
      // The unit appears once in what the host shows.
      const std::string narrow_shown = narrow(shown);
      const std::size_t hz = narrow_shown.find("Hz");
      if (hz != std::string::npos) {
        ASSERT_EQ(narrow_shown.find("Hz", hz + 1), std::string::npos) << narrow_shown;
      }
      for (const std::u16string& typed : {text, shown}) {
        const std::optional<double> back = value_of(id, typed);
        ASSERT_TRUE(back) << param.id << ": " << narrow(typed);
        ASSERT_EQ(text_of(id, *back), text) << param.id << " at " << normalized;
      }
    }
  }
  // What the frequency display writes above 1 kHz reads back in kilohertz.
  const abi::ParamID lock_freq = hash_param_id("lock_freq");
  EXPECT_EQ(text_of(lock_freq, 1.0), u"5.0 kHz");
  EXPECT_NEAR(*value_of(lock_freq, u"5.0 kHz"), 1.0, 1e-6);
  EXPECT_EQ(e().normalizedParamToPlain(controller_.get(), lock_freq, 0.5), 350.0);
  // Stepped parameters give whole plain values.
  EXPECT_EQ(e().normalizedParamToPlain(controller_.get(), hash_param_id("swarm_count"), 0.5), 9.0);
  EXPECT_FALSE(value_of(hash_param_id("mix"), u"lots"));
}

}  // namespace
}  // namespace vessimor::test
