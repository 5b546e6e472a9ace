#include "tools/vst3_host/render.hpp"

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>

#include "framework/params/range.hpp"
#include "framework/state/state.hpp"
#include "plugin/params.hpp"
#include "plugin/vessimor.hpp"
#include "tools/clap_host/render.hpp"

namespace vessimor::tools::vst3 {

std::vector<std::uint8_t> vessimor_state_with(const std::vector<NormalizedValue>& values) {
  const VessimorParams params;
  const ParamMap map = params.param_map();
  state::ParamPairs pairs;
  for (const ParamMapEntry& entry : map) pairs.emplace_back(entry.id, entry.param);
  for (const NormalizedValue& value : values) {
    const auto entry = std::find_if(map.begin(), map.end(), [&](const ParamMapEntry& candidate) {
      return candidate.id == value.id;
    });
    if (entry == map.end()) throw HostError("the plug-in has no parameter '" + value.id + "'");
    entry->param.set_normalized_value(value.normalized);
  }
  const state::SerializedJson json = state::serialize_json(params, pairs, Vessimor::VERSION);
  if (!json) throw HostError(*json.error);
  return std::vector<std::uint8_t>(json.text.begin(), json.text.end());
}

AudioData render(Vst3Processor& instance, const AudioData& input, const RenderJob& job) {
  check_render_input(input, job);
  const std::size_t total = input.frame_count();
  const std::vector<float>& in_left = input.channels.front();
  const std::vector<float>& in_right = input.channels.back();  // mono feeds both sides

  const std::vector<std::uint8_t> state = vessimor_state_with(job.values);
  if (instance.load_state(state) != abi::kResultOk) {
    throw HostError("the plug-in refused the state with the render's values");
  }
  if (instance.save_state() != state) throw HostError("the plug-in did not take the values");
  if (instance.setup(input.sample_rate, static_cast<std::int32_t>(job.block_size), abi::kOffline) !=
          abi::kResultOk ||
      instance.set_active(true) != abi::kResultOk) {
    throw HostError("the plug-in refused to activate at " + std::to_string(input.sample_rate) +
                    " Hz");
  }
  if (instance.set_processing(true) != abi::kResultOk) {
    throw HostError("the plug-in refused to start processing");
  }

  // Each block's automation as the host's parameter changes, built before the audio thread runs.
  std::vector<std::unique_ptr<ParameterChanges>> block_changes;
  std::size_t point = 0;
  for (std::size_t start = 0; start < total; start += job.block_size) {
    auto changes = std::make_unique<ParameterChanges>();
    const std::size_t end = std::min<std::size_t>(start + job.block_size, total);
    for (; point < job.automation.size() && job.automation[point].frame < end; ++point) {
      const AutomationPoint& change = job.automation[point];
      changes->add(hash_param_id(change.id), static_cast<std::int32_t>(change.frame - start),
                   change.normalized);
    }
    block_changes.push_back(std::move(changes));
  }

  AudioData output;
  output.sample_rate = input.sample_rate;
  output.channels.assign(2, std::vector<float>(total, 0.0f));
  std::atomic<std::size_t> done{0};
  std::size_t error_at = total;
  instance.run_on_audio_thread(
      [&] {
        for (std::size_t start = 0; start < total; start += job.block_size) {
          const auto frames =
              static_cast<std::int32_t>(std::min<std::size_t>(job.block_size, total - start));
          std::copy_n(in_left.begin() + static_cast<std::ptrdiff_t>(start), frames,
                      instance.input(0).begin());
          std::copy_n(in_right.begin() + static_cast<std::ptrdiff_t>(start), frames,
                      instance.input(1).begin());
          const abi::ProcessContext context = make_process_context(
              job.tempo, true, static_cast<std::int64_t>(start), input.sample_rate);
          ParameterChanges* changes = block_changes[start / job.block_size].get();
          if (instance.process_here(frames, changes, &context) != abi::kResultOk) {
            error_at = start;
            return;
          }
          for (std::size_t c = 0; c < 2; ++c) {
            std::copy_n(instance.output(c).begin(), frames,
                        output.channels[c].begin() + static_cast<std::ptrdiff_t>(start));
          }
          done.store(start + static_cast<std::size_t>(frames), std::memory_order_relaxed);
        }
      },
      [&] {
        if (job.progress) job.progress(done.load(std::memory_order_relaxed), total);
      });
  instance.set_processing(false);
  instance.set_active(false);
  if (error_at != total) {
    throw HostError("the plug-in reported a processing error at frame " + std::to_string(error_at));
  }
  if (job.progress) job.progress(total, total);
  return output;
}

}  // namespace vessimor::tools::vst3
