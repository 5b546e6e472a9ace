#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "plugin/factory_presets.hpp"
#include "plugin/param_table.hpp"
#include "plugin/params.hpp"
#include "plugin/preset.hpp"

namespace vessimor {
namespace {

std::vector<float> values_of(const VessimorPreset& preset) {
  std::vector<float> values;
  for (const auto& pair : preset.to_param_values()) values.push_back(pair.value);
  return values;
}

TEST(PresetRecord, FieldTableFollowsRecordOrder) {
  const auto& fields = preset_fields();
  EXPECT_EQ(fields.front().key, "name");
  EXPECT_EQ(fields.back().key, "lock_motion_shape");
  int required = 0;
  for (const auto& f : fields) required += f.required ? 1 : 0;
  EXPECT_EQ(required, 18);
  // The normalised values list fields 2 to 30 under the same keys.
  const auto pairs = VessimorPreset{}.to_param_values();
  for (std::size_t i = 0; i < pairs.size(); ++i) EXPECT_EQ(pairs[i].id, fields[i + 1].key);
  // The file's key order is the record's member order, which the factory rows follow.
  const VessimorPreset record;
  const auto address = [&](const PresetField& f) {
    return std::visit([&](auto m) { return reinterpret_cast<std::uintptr_t>(&(record.*m)); },
                      f.member);
  };
  for (std::size_t i = 1; i < fields.size(); ++i) {
    EXPECT_LT(address(fields[i - 1]), address(fields[i])) << fields[i].key;
  }
}

TEST(PresetRecord, ChoiceScalesSpanTheChoices) {
  const VessimorParams params;
  for (const ParamDescriptor& d : PARAM_TABLE) {
    if (const auto* b = std::get_if<ParamBinding<EnumParam, std::uint8_t>>(&d.fields)) {
      EXPECT_EQ(d.preset_scale.max + 1.0f, static_cast<float>((params.*b->param).variants().size()))
          << d.id;
    }
  }
}

TEST(PresetRecord, InitConvertsToTheDefaultsNormalisedValues) {
  const std::vector<float> expected = {0.5f,
                                       0.5f,
                                       0.6666667f,
                                       0.5f,
                                       std::pow(400.0f / 4960.0f, 0.25f),
                                       0.0f,
                                       0.0f,
                                       0.0f,
                                       0.0f,
                                       0.5f,
                                       0.5f,
                                       0.0f,
                                       0.3f,
                                       0.5f,
                                       0.5f,
                                       2.0f / 14.0f,
                                       0.2f,
                                       0.3f,
                                       1.0f / 3.0f,
                                       0.0f,
                                       0.0f,
                                       0.5f,
                                       0.0f,
                                       std::pow(420.0f / 4980.0f, 0.25f),
                                       0.0f,
                                       0.0f,
                                       0.5f,
                                       0.5f,
                                       0.0f};
  EXPECT_EQ(values_of(FACTORY_PRESETS[0]), expected);
  EXPECT_NEAR(values_of(FACTORY_PRESETS[0])[4], 0.5328986f, 1e-6f);
}

TEST(PresetRecord, OnlyTheListedClampsApply) {
  VessimorPreset p;
  p.input_gain = 40.0f;          // clamped to 12
  p.output_gain = -100.0f;       // clamped to -24
  p.stereo_width = 3.0f;         // clamped to 2
  p.lock_freq = 1.0f;            // clamped to 40
  p.formant_morph_rate = 40.0f;  // clamped to 10
  p.swarm_count = 99;            // clamped to 16
  p.comb_tuning = 1e6f;          // clamped to 5000
  p.mix = 1.5f;                  // passed through
  p.comb_feedback = 0.95f;       // divided, not clamped
  p.carrier_mode = 7;            // i * 0.5
  p.lock_motion_rate = 200;      // i * 0.125
  p.mode_cycle_enable = true;
  const auto v = values_of(p);
  EXPECT_EQ(v[0], 1.0f);
  EXPECT_EQ(v[1], 1.5f);
  EXPECT_EQ(v[2], 0.0f);
  EXPECT_EQ(v[3], 1.0f);
  EXPECT_EQ(v[4], 0.0f);
  EXPECT_EQ(v[5], 3.5f);
  EXPECT_EQ(v[7], 1.0f);
  EXPECT_EQ(v[11], 1.0f);
  EXPECT_EQ(v[15], 1.0f);
  EXPECT_EQ(v[22], 0.95f / 0.95f);
  EXPECT_EQ(v[23], 1.0f);
  EXPECT_EQ(v[26], 25.0f);
}

TEST(PresetRecord, ErrorTexts) {
  EXPECT_EQ(PresetError::io("Permission denied").text(), "IO error: Permission denied");
  EXPECT_EQ(PresetError::json("missing field `mix`").text(), "JSON error: missing field `mix`");
  EXPECT_EQ(PresetError::no_preset_dir().text(), "Could not find preset directory");
}

TEST(FactoryPresets, TableHas28UniqueRowsFromInitToCombover) {
  ASSERT_EQ(FACTORY_PRESETS.size(), 28u);
  EXPECT_EQ(FACTORY_PRESETS[0].name, "Init");
  EXPECT_EQ(FACTORY_PRESETS[27].name, "Combover");
  std::set<std::string> names;
  for (const auto& row : FACTORY_PRESETS) names.insert(row.name);
  EXPECT_EQ(names.size(), 28u);
  // Init holds every parameter's default, which the record's own defaults mirror.
  VessimorPreset init;
  init.name = "Init";
  EXPECT_EQ(FACTORY_PRESETS[0], init);
}

TEST(FactoryPresets, RowsHoldTheTabledValues) {
  for (const auto& row : FACTORY_PRESETS) {
    EXPECT_EQ(row.input_gain, 0.0f) << row.name;
    EXPECT_EQ(row.output_gain, 0.0f) << row.name;
    EXPECT_FALSE(row.mode_cycle_enable) << row.name;
    EXPECT_EQ(row.stereo_width, row.name == "Spectral Cloud" ? 1.2f : 1.0f) << row.name;
    if (row.name != "Combover") {
      EXPECT_EQ(row.comb_tuning, 440.0f) << row.name;
    }
  }
  const VessimorPreset& combover = FACTORY_PRESETS[27];
  EXPECT_EQ(combover.lock_freq, 89.0f);
  EXPECT_EQ(combover.carrier_env_amount, 0.685f);
  EXPECT_EQ(combover.char_amount, 0.672f);
  EXPECT_EQ(combover.comb_feedback, 0.804f);
  EXPECT_EQ(combover.comb_tuning, 50.6f);
  EXPECT_EQ(combover.comb_mix, 0.967f);
  EXPECT_EQ(combover.lock_motion_depth, 0.594f);
  const auto v = values_of(combover);
  EXPECT_EQ(v[22], 0.804f / 0.95f);
  EXPECT_EQ(v[23], std::pow((50.6f - 20.0f) / 4980.0f, 0.25f));

  const VessimorPreset& glitch = FACTORY_PRESETS[8];
  EXPECT_EQ(glitch.name, "Glitch Rhythm");
  EXPECT_EQ(glitch.trig_div, 2);
  EXPECT_EQ(glitch.trig_amount, 0.6f);
  EXPECT_EQ(glitch.lock_motion_shape, 3);
  EXPECT_EQ(FACTORY_PRESETS[14].swarm_count, 16);  // Dense Texture
}

// Every row as the product's table lists it: the 29 values after the name in record order, on/off
// for the switches; each decimal stands for the nearest float.
const std::vector<std::pair<std::string, std::string>> kTabledRows = {
    {"Init",
     "0 0.5 0 1 440 0 0 off 0 0.5 0.5 0 0.3 0.5 0.5 4 0.2 0.3 1 0 0 0.5 0 440 0 off 4 0.5 0"},
    {"Radio Static",
     "0 0.7 0 1 1200 0 0 off 0 0.3 0.8 0 0.3 0.5 0.5 4 0.2 0.3 1 0 1 0.7 0 440 0 on 5 0.15 4"},
    {"Robot Voice",
     "0 0.85 0 1 150 0 0 off 0 0.5 0.4 0 0.3 0.5 0.5 4 0.2 0.3 1 0 0 0.5 0 440 0 off 4 0.5 0"},
    {"Metallic Shimmer",
     "0 0.55 0 1 2500 2 0 off 0 0.5 0.5 0 0.3 0.5 0.5 8 0.25 0.1 1 0 0 0.5 0 440 0 on 1 0.2 0"},
    {"Vowel Sweep",
     "0 0.75 0 1 220 0 0 off 0 0 0.7 1.2 0.3 0.5 0.5 4 0.2 0.3 1 0 2 0.5 0 440 0 off 4 0.5 0"},
    {"Talking Synth",
     "0 0.75 0 1 300 0 0 off 0 0.2 0.55 2.5 0.3 0.5 0.5 4 0.2 0.3 1 0 2 0.4 0 440 0 off 4 0.5 0"},
    {"Synth Vowels",
     "0 0.8 0 1 250 0 0 off 0 0 0.7 1.5 0.3 0.5 0.5 4 0.2 0.3 1 0 2 0.5 0 440 0 off 4 0.5 0"},
    {"Sci-Fi Scanner",
     "0 0.85 0 1 500 0 0 off 0 0 0.8 4 0.3 0.5 0.5 4 0.2 0.3 1 0 0 0.5 0 440 0 on 3 0.5 1"},
    {"Glitch Rhythm",
     "0 0.8 0 1 880 1 0 off 0 0.5 0.5 0 0.7 0.8 0.2 4 0.2 0.3 2 0.6 1 0.5 0 440 0 on 5 0.4 3"},
    {"Broken Transmission",
     "0 0.75 0 1 600 1 0 off 0 0.5 0.5 0 0.5 0.6 0.1 4 0.2 0.3 3 0.7 1 0.6 0 440 0 on 6 0.5 4"},
    {"Granular Chaos",
     "0 0.9 0 1 1000 1 0 off 0 0.5 0.5 0 0.9 0.9 0.3 4 0.2 0.3 2 0.4 3 0.7 0 440 0 on 5 0.6 2"},
    {"Stepped Destruction",
     "0 0.9 0 1 700 1 0 off 0 0.5 0.5 0 0.8 0.7 0.15 4 0.2 0.3 2 0.7 3 0.85 0 440 0 on 6 0.8 4"},
    {"Spectral Cloud",
     "0 0.75 0 1.2 330 2 0 off 0 0.5 0.5 0 0.3 0.5 0.5 12 0.4 0.5 0 0.15 2 0.4 0 440 0 on 2 0.3 0"},
    {"Warm Chorus",
     "0 0.6 0 1 440 2 0 off 0 0.5 0.5 0 0.3 0.5 0.5 8 0.25 0.35 1 0 2 0.8 0 440 0 on 2 0.15 0"},
    {"Dense Texture",
     "0 0.6 0 1 500 2 0 off 0 0.5 0.5 0 0.3 0.5 0.5 16 0.5 0.6 1 0 2 0.5 0 440 0 on 0 0.25 0"},
    {"Ambient Wash",
     "0 0.45 0 1 360 2 0 off 0 0.5 0.5 0 0.3 0.5 0.5 8 0.35 0.5 1 0 0 0 0 440 0 on 0 0.3 0"},
    {"Pad Thickener",
     "0 0.55 0 1 180 2 0 off 0 0.5 0.5 0 0.3 0.5 0.5 10 0.35 0.4 1 0 2 0.55 0 440 0 on 1 0.2 0"},
    {"Keys Sparkle",
     "0 0.4 0 1 1800 2 0.3 off 0 0.5 0.5 0 0.3 0.5 0.5 6 0.2 0.15 1 0 0 0.5 0 440 0 on 3 0.15 1"},
    {"Organ Swell",
     "0 0.5 0 1 320 2 0.2 off 0 0.5 0.5 0 0.3 0.5 0.5 8 0.25 0.35 1 0 2 0.65 0 440 0 on 2 0.25 0"},
    {"Gritty Edge",
     "0 0.7 0 1 350 0 0 off 0 0.6 0.5 0 0.3 0.5 0.5 4 0.2 0.3 1 0 1 1 0 440 0 off 4 0.5 0"},
    {"Folded Harmonics",
     "0 0.65 0 1 200 2 0 off 0 0.5 0.5 0 0.3 0.5 0.5 6 0.1 0.2 1 0 3 0.9 0 440 0 on 3 0.3 1"},
    {"Lo-Fi Warmth",
     "0 0.7 0 1 280 0 0 off 0 0.4 0.75 0.5 0.3 0.5 0.5 4 0.2 0.3 1 0 2 1 0 440 0 on 1 0.2 0"},
    {"Harsh Metallic",
     "0 0.85 0 1 3500 0 0 off 0 0.7 0.9 0 0.3 0.5 0.5 4 0.2 0.3 1 0 3 0.8 0 440 0 on 5 0.35 2"},
    {"Slow Drift",
     "0 0.65 0 1 400 2 0 off 0 0.5 0.5 0 0.3 0.5 0.5 10 0.4 0.8 1 0 2 0.4 0 440 0 on 0 0.6 0"},
    {"Rhythmic Pulse",
     "0 0.7 0 1 550 0 0 off 0 0.5 0.5 0 0.3 0.5 0.5 4 0.2 0.3 2 0.5 1 0.4 0 440 0 on 4 0.7 3"},
    {"Octave Wobble",
     "0 0.75 0 1 440 0 0 off 0 0.5 0.5 0 0.3 0.5 0.5 4 0.2 0.3 1 0 0 0.5 0 440 0 on 4 1 0"},
    {"Bass Transformer",
     "0 0.8 0 1 100 0 0.4 off 0 0.3 0.6 0 0.3 0.5 0.5 4 0.2 0.3 1 0 1 0.7 0 440 0 on 5 0.6 2"},
    {"Combover",
     "0 0.7 0 1 89 0 0.685 off 0 0.4 0.75 0.5 0.3 0.5 0.5 4 0.2 0.3 1 0 3 0.672 0.804 50.6 0.967 "
     "on 1 0.594 0"},
};

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

TEST(FactoryPresets, EveryValueOfEveryRowIsTheTabledOne) {
  ASSERT_EQ(FACTORY_PRESETS.size(), kTabledRows.size());
  for (std::size_t r = 0; r < kTabledRows.size(); ++r) {
    const auto& [name, text] = kTabledRows[r];
    const VessimorPreset& row = FACTORY_PRESETS[r];
    EXPECT_EQ(row.name, name);
    std::istringstream tokens(text);
    for (std::size_t k = 1; k < preset_fields().size(); ++k) {
      const PresetField& field = preset_fields()[k];
      std::string token;
      ASSERT_TRUE(tokens >> token) << name;
      SCOPED_TRACE(name + " " + std::string(field.key) + " " + token);
      std::visit(Overloaded{
                     [&](std::string VessimorPreset::*) { FAIL() << "only the name is text"; },
                     [&](float VessimorPreset::*m) {
                       EXPECT_EQ(row.*m, std::strtof(token.c_str(), nullptr));
                     },
                     [&](std::uint8_t VessimorPreset::*m) { EXPECT_EQ(row.*m, std::stoi(token)); },
                     [&](std::int32_t VessimorPreset::*m) { EXPECT_EQ(row.*m, std::stoi(token)); },
                     [&](bool VessimorPreset::*m) {
                       ASSERT_TRUE(token == "on" || token == "off");
                       EXPECT_EQ(row.*m, token == "on");
                     },
                 },
                 field.member);
    }
  }
}

TEST(FactoryPresets, ConcurrentFirstUseSeesOneTable) {
  std::vector<const VessimorPreset*> seen(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = &FACTORY_PRESETS[0]; });
  }
  for (auto& t : threads) t.join();
  for (const auto* p : seen) EXPECT_EQ(p, seen[0]);
  EXPECT_EQ(FACTORY_PRESETS.size(), 28u);
}

}  // namespace
}  // namespace vessimor
