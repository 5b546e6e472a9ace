// Any bytes as a saved state: the reader must refuse them cleanly, or give a record that writes
// back and reads again to the same record, and that, applied to a live parameter set followed by
// one processed block, leaves a set whose state text loads into a fresh set and writes the same
// text.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/processor.hpp"
#include "framework/params/range.hpp"
#include "framework/state/state.hpp"
#include "plugin/params.hpp"
#include "plugin/processor_settings.hpp"

namespace {

using namespace vessimor;

constexpr float kSampleRate = 44100.0f;
constexpr int kBlockLength = 256;

// Names the broken expectation before the crash that libFuzzer records.
#define check(condition)                                                 \
  do {                                                                   \
    if (!(condition)) {                                                  \
      std::fprintf(stderr, "state_fuzz:%d: %s\n", __LINE__, #condition); \
      std::abort();                                                      \
    }                                                                    \
  } while (false)

// The tables a wrapper keys its parameters by.
struct Tables {
  std::unordered_map<std::string, std::uint32_t> id_to_hash;
  std::unordered_map<std::uint32_t, ParamPtr> hash_to_param;
  explicit Tables(const Params& params) {
    for (const auto& entry : params.param_map()) {
      id_to_hash.emplace(entry.id, hash_param_id(entry.id));
      hash_to_param.emplace(hash_param_id(entry.id), entry.param);
    }
  }
  state::ParamPairs pairs() const { return state::make_params_iter(id_to_hash, hash_to_param); }
  state::ParamLookup lookup() const { return state::lookup_in_tables(id_to_hash, hash_to_param); }
};

std::string save(const VessimorParams& params, const Tables& tables) {
  const auto text = state::serialize_json(params, tables.pairs(), "0.1.0");
  check(static_cast<bool>(text));  // every value of a live set has a text
  return text.text;
}

// Whether the live parameter holds what the record gave it, when the record names it with the
// alternative its kind takes.
bool holds(const ParamPtr& param, const ParamValue& value) {
  switch (param.kind()) {
    case ParamPtr::Kind::Float:
      // By value: setting -0 over +0 is no change, so the parameter keeps +0.
      return !value.as_f32() || *value.as_f32() == param.as_float()->unmodulated_value();
    case ParamPtr::Kind::Int:
      return !value.as_i32() || *value.as_i32() == param.as_int()->unmodulated_value();
    case ParamPtr::Kind::Bool:
      return !value.as_bool() || *value.as_bool() == param.as_bool()->unmodulated_value();
    case ParamPtr::Kind::Enum:
      return !value.as_i32() || *value.as_i32() == param.as_enum()->unmodulated_value();
  }
  return false;
}

// One block through the effect with the loaded settings, as the plug-in runs it after a state
// load; the processor promises finite output within [-4, 4].
void process_block(const VessimorParams& params, VessimorProcessor& processor) {
  update_processor_params(params, 120.0f, processor);
  for (int i = 0; i < kBlockLength; ++i) {
    const float in = std::sin(static_cast<float>(i) * 0.0627f) * 0.8f;
    const StereoSample out = processor.process(in, -in);
    check(std::fabs(out.left) <= 4.0f && std::fabs(out.right) <= 4.0f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<PluginState> read = state::deserialize_json(bytes);
  if (!read) return 0;

  // The record on its own: text read is valid UTF-8 and every float finite, so it always writes,
  // and reads back to an equal record.
  const auto written = state::to_json(*read);
  check(static_cast<bool>(written));
  const std::optional<PluginState> reread = state::deserialize_json(written.text);
  check(reread.has_value() && *reread == *read);

  // Applied to a live set, which then runs one block.
  VessimorParams live;
  const Tables live_tables(live);
  check(state::deserialize_object(*read, live, live_tables.lookup(), kSampleRate));
  for (const auto& [id, value] : read->params) {
    if (const auto param = live_tables.lookup()(id)) check(holds(*param, value));
  }
  VessimorProcessor processor(kSampleRate);
  process_block(live, processor);

  // The live set's own state loads into a fresh set and writes the same text again.
  const std::string text = save(live, live_tables);
  const std::optional<PluginState> saved = state::deserialize_json(text);
  check(saved.has_value() && saved->params.size() == 29);
  VessimorParams fresh;
  const Tables fresh_tables(fresh);
  check(state::deserialize_object(*saved, fresh, fresh_tables.lookup(), kSampleRate));
  check(save(fresh, fresh_tables) == text);
  return 0;
}
