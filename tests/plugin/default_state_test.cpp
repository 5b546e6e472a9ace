// The effect's own saved state: the exact text of a fresh parameter set, its independence from the
// order of the wrappers' lookup tables, and round trips through the text.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/params/range.hpp"
#include "framework/state/state.hpp"
#include "plugin/params.hpp"

namespace vessimor {
namespace {

constexpr std::string_view kVersion = "0.1.0";

// Every default by hand, members in id byte order ('_' sorts before the letters).
constexpr std::string_view kDefaultState = R"({"version":"0.1.0","params":{)"
                                           R"("carrier_env_amount":{"f32":0.0},)"
                                           R"("carrier_mode":{"i32":0},)"
                                           R"("char_amount":{"f32":0.5},)"
                                           R"("char_mode":{"i32":0},)"
                                           R"("comb_feedback":{"f32":0.0},)"
                                           R"("comb_mix":{"f32":0.0},)"
                                           R"("comb_tuning":{"f32":440.0},)"
                                           R"("formant_morph_rate":{"f32":0.0},)"
                                           R"("formant_position":{"f32":0.5},)"
                                           R"("formant_width":{"f32":0.5},)"
                                           R"("input_gain":{"f32":0.0},)"
                                           R"("lock_freq":{"f32":440.0},)"
                                           R"("lock_motion_depth":{"f32":0.5},)"
                                           R"("lock_motion_enable":{"bool":false},)"
                                           R"("lock_motion_rate":{"i32":4},)"
                                           R"("lock_motion_shape":{"i32":0},)"
                                           R"("mix":{"f32":0.5},)"
                                           R"("mode_cycle_div":{"i32":0},)"
                                           R"("mode_cycle_enable":{"bool":false},)"
                                           R"("output_gain":{"f32":0.0},)"
                                           R"("stereo_width":{"f32":1.0},)"
                                           R"("stoch_density":{"f32":0.5},)"
                                           R"("stoch_smoothing":{"f32":0.5},)"
                                           R"("stoch_spread":{"f32":0.3},)"
                                           R"("swarm_count":{"i32":4},)"
                                           R"("swarm_drift":{"f32":0.3},)"
                                           R"("swarm_spread":{"f32":0.2},)"
                                           R"("trig_amount":{"f32":0.0},)"
                                           R"("trig_div":{"i32":1})"
                                           R"(},"fields":{}})";

// The two tables a wrapper keys its parameters by; the map types decide the iteration order.
template <class IdToHash, class HashToParam>
struct Tables {
  IdToHash id_to_hash;
  HashToParam hash_to_param;
  explicit Tables(const Params& params, std::size_t buckets = 0) {
    if constexpr (requires { id_to_hash.rehash(buckets); }) {
      id_to_hash.rehash(buckets);
      hash_to_param.rehash(buckets);
    }
    for (const auto& entry : params.param_map()) {
      id_to_hash.emplace(entry.id, hash_param_id(entry.id));
      hash_to_param.emplace(hash_param_id(entry.id), entry.param);
    }
  }
};
using HashTables = Tables<std::unordered_map<std::string, std::uint32_t>,
                          std::unordered_map<std::uint32_t, ParamPtr>>;
using TreeTables = Tables<std::map<std::string, std::uint32_t>, std::map<std::uint32_t, ParamPtr>>;

std::string save(const VessimorParams& params) {
  const HashTables tables(params);
  const auto text = state::serialize_json(
      params, state::make_params_iter(tables.id_to_hash, tables.hash_to_param), kVersion);
  EXPECT_TRUE(text) << text.error.value_or("");
  return text.text;
}

bool load(VessimorParams& params, std::string_view text) {
  const auto read = state::deserialize_json(text);
  if (!read) return false;
  const HashTables tables(params);
  return state::deserialize_object(
      *read, params, state::lookup_in_tables(tables.id_to_hash, tables.hash_to_param), 44100.0f);
}

// Each parameter's unmodulated plain value, floats by their bits (so -0 and 0 differ).
std::map<std::string, std::int64_t> values_of(const VessimorParams& params) {
  std::map<std::string, std::int64_t> values;
  for (const auto& entry : params.param_map()) {
    const ParamPtr& p = entry.param;
    switch (p.kind()) {
      case ParamPtr::Kind::Float:
        values[entry.id] = std::bit_cast<std::uint32_t>(p.as_float()->unmodulated_value());
        break;
      case ParamPtr::Kind::Int:
        values[entry.id] = p.as_int()->unmodulated_value();
        break;
      case ParamPtr::Kind::Bool:
        values[entry.id] = p.as_bool()->unmodulated_value() ? 1 : 0;
        break;
      case ParamPtr::Kind::Enum:
        values[entry.id] = p.as_enum()->unmodulated_value();
        break;
    }
  }
  return values;
}

// Any finite float: mostly in-range values, sometimes arbitrary bit patterns (subnormals, huge
// magnitudes, negative zero) that exercise the exponent form of the text.
float random_float(std::mt19937& rng, const FloatParam& param) {
  if (rng() % 4 == 0) {
    float v;
    do {
      v = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    } while (!std::isfinite(v));
    return v;
  }
  return param.preview_plain(std::uniform_real_distribution<float>(0.0f, 1.0f)(rng));
}

void randomise(VessimorParams& params, std::mt19937& rng) {
  for (const auto& entry : params.param_map()) {
    const ParamPtr& p = entry.param;
    switch (p.kind()) {
      case ParamPtr::Kind::Float:
        p.as_float()->set_plain_value(random_float(rng, *p.as_float()));
        break;
      case ParamPtr::Kind::Int:
        p.as_int()->set_plain_value(std::uniform_int_distribution<std::int32_t>(2, 16)(rng));
        break;
      case ParamPtr::Kind::Bool:
        p.as_bool()->set_plain_value(rng() % 2 == 0);
        break;
      case ParamPtr::Kind::Enum:
        p.as_enum()->set_plain_value(std::uniform_int_distribution<std::int32_t>(
            0, static_cast<std::int32_t>(p.as_enum()->variants().size()) - 1)(rng));
        break;
    }
  }
}

TEST(DefaultState, TextOfAFreshSetIsExact) {
  const VessimorParams params;
  EXPECT_EQ(save(params), kDefaultState);
}

TEST(DefaultState, SameTextWhateverOrderTheTablesIterateIn) {
  VessimorParams params;
  std::mt19937 rng(7);
  for (int round = 0; round < 2; ++round) {
    const std::string expected = save(params);
    std::vector<std::string> texts;

    const TreeTables tree(params);
    texts.push_back(
        state::serialize_json(params, state::make_params_iter(tree.id_to_hash, tree.hash_to_param),
                              kVersion)
            .text);
    for (std::size_t buckets : {1u, 7u, 64u, 1021u}) {
      const HashTables hashed(params, buckets);
      auto pairs = state::make_params_iter(hashed.id_to_hash, hashed.hash_to_param);
      texts.push_back(state::serialize_json(params, pairs, kVersion).text);
      std::reverse(pairs.begin(), pairs.end());
      texts.push_back(state::serialize_json(params, pairs, kVersion).text);
      std::shuffle(pairs.begin(), pairs.end(), rng);
      texts.push_back(state::serialize_json(params, pairs, kVersion).text);
    }
    for (const std::string& text : texts) EXPECT_EQ(text, expected);

    randomise(params, rng);  // the second round with other values than the defaults
  }
}

TEST(DefaultState, DefaultStateRoundTrips) {
  VessimorParams loaded;
  std::mt19937 rng(3);
  randomise(loaded, rng);
  ASSERT_TRUE(load(loaded, kDefaultState));
  EXPECT_EQ(values_of(loaded), values_of(VessimorParams()));
  EXPECT_EQ(save(loaded), kDefaultState);
}

TEST(DefaultState, RandomisedStatesRoundTrip) {
  std::mt19937 rng(2024);
  for (int i = 0; i < 200; ++i) {
    VessimorParams source;
    randomise(source, rng);
    const std::string text = save(source);
    VessimorParams loaded;
    ASSERT_TRUE(load(loaded, text)) << text;
    ASSERT_EQ(values_of(loaded), values_of(source)) << text;
    ASSERT_EQ(save(loaded), text);
  }
}

TEST(DefaultState, NonFiniteFloatLeavesTheOther28Loadable) {
  constexpr float kNonFinite[] = {std::numeric_limits<float>::quiet_NaN(),
                                  std::numeric_limits<float>::infinity(),
                                  -std::numeric_limits<float>::infinity()};
  std::mt19937 rng(11);
  for (const float bad : kNonFinite) {
    VessimorParams source;
    randomise(source, rng);
    source.comb_tuning.set_plain_value(bad);
    const std::string text = save(source);
    EXPECT_EQ(text.find("comb_tuning"), std::string::npos) << text;
    EXPECT_EQ(text.find("null"), std::string::npos) << text;

    VessimorParams loaded;
    ASSERT_TRUE(load(loaded, text)) << text;
    auto expected = values_of(source);
    expected["comb_tuning"] = std::bit_cast<std::uint32_t>(440.0f);  // left at its default
    EXPECT_EQ(values_of(loaded), expected);
  }
}

}  // namespace
}  // namespace vessimor
