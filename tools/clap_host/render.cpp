#include "tools/clap_host/render.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/params/range.hpp"
#include "tools/clap_host/events.hpp"

namespace vessimor::tools {
namespace {

// CLAP units of each parameter: 0..1, or 0..step count for a stepped one.
std::map<clap_id, double> clap_ranges(const PluginInstance& instance) {
  std::map<clap_id, double> ranges;
  for (const clap_param_info& info : instance.param_infos()) ranges[info.id] = info.max_value;
  return ranges;
}

std::pair<clap_id, double> clap_value(const std::map<clap_id, double>& ranges,
                                      const std::string& id, float normalized) {
  const clap_id hash = hash_param_id(id);
  const auto range = ranges.find(hash);
  if (range == ranges.end()) throw HostError("the plug-in has no parameter '" + id + "'");
  return {hash, static_cast<double>(normalized) * range->second};
}

void apply_values(PluginInstance& instance, const std::map<clap_id, double>& ranges,
                  const RenderJob& job) {
  InputEvents events;
  for (const NormalizedValue& value : job.values) {
    const auto [id, clap] = clap_value(ranges, value.id, value.normalized);
    events.add_param_value(0, id, clap);
  }
  instance.flush(&events, nullptr);
  for (const NormalizedValue& value : job.values) {
    const auto [id, clap] = clap_value(ranges, value.id, value.normalized);
    const std::optional<double> now = instance.param_value(id);
    if (!now || std::fabs(*now - clap) > 1e-4 * std::max(1.0, std::fabs(clap))) {
      throw HostError("the plug-in did not take the value " + std::to_string(clap) +
                      " for parameter id " + std::to_string(id));
    }
  }
}

}  // namespace

AudioData render(PluginInstance& instance, const AudioData& input, const RenderJob& job) {
  check_render_input(input, job);
  const std::size_t total = input.frame_count();
  const std::vector<float>& in_left = input.channels.front();
  const std::vector<float>& in_right = input.channels.back();  // mono feeds both sides

  const std::map<clap_id, double> ranges = clap_ranges(instance);
  apply_values(instance, ranges, job);
  if (!instance.activate(input.sample_rate, 1, job.block_size)) {
    throw HostError("the plug-in refused to activate at " + std::to_string(input.sample_rate) +
                    " Hz");
  }
  if (!instance.start_processing()) throw HostError("the plug-in refused to start processing");

  AudioData output;
  output.sample_rate = input.sample_rate;
  output.channels.assign(2, std::vector<float>(total, 0.0f));
  std::atomic<std::size_t> done{0};
  std::size_t error_at = total;
  // Each block's automation as host events, built before the audio thread runs.
  std::vector<std::unique_ptr<InputEvents>> block_events;
  std::size_t point = 0;
  for (std::size_t start = 0; start < total; start += job.block_size) {
    auto events = std::make_unique<InputEvents>();
    const std::size_t end = std::min<std::size_t>(start + job.block_size, total);
    for (; point < job.automation.size() && job.automation[point].frame < end; ++point) {
      const AutomationPoint& change = job.automation[point];
      const auto [id, clap] = clap_value(ranges, change.id, change.normalized);
      events->add_param_value(static_cast<std::uint32_t>(change.frame - start), id, clap);
    }
    block_events.push_back(std::move(events));
  }

  instance.run_on_audio_thread(
      [&] {
        for (std::size_t start = 0; start < total; start += job.block_size) {
          const auto frames =
              static_cast<std::uint32_t>(std::min<std::size_t>(job.block_size, total - start));
          std::copy_n(in_left.begin() + static_cast<std::ptrdiff_t>(start), frames,
                      instance.input(0).begin());
          std::copy_n(in_right.begin() + static_cast<std::ptrdiff_t>(start), frames,
                      instance.input(1).begin());
          const clap_event_transport transport =
              make_transport(job.tempo, true, static_cast<std::int64_t>(start), input.sample_rate);
          const InputEvents* events = block_events[start / job.block_size].get();
          if (instance.process_here(frames, events, nullptr, &transport) == CLAP_PROCESS_ERROR) {
            error_at = start;
            return;
          }
          for (std::size_t c = 0; c < 2; ++c) {
            std::copy_n(instance.output(c).begin(), frames,
                        output.channels[c].begin() + static_cast<std::ptrdiff_t>(start));
          }
          done.store(start + frames, std::memory_order_relaxed);
        }
      },
      [&] {
        if (job.progress) job.progress(done.load(std::memory_order_relaxed), total);
      });
  instance.stop_processing();
  instance.deactivate();
  if (error_at != total) {
    throw HostError("the plug-in reported a processing error at frame " + std::to_string(error_at));
  }
  if (job.progress) job.progress(total, total);
  return output;
}

void check_render_input(const AudioData& input, const RenderJob& job) {
  if (input.channel_count() < 1 || input.channel_count() > 2) {
    throw HostError("the input has " + std::to_string(input.channel_count()) +
                    " channels; the effect takes mono or stereo");
  }
  if (job.block_size == 0) throw HostError("the block size must be at least 1");
  for (std::size_t i = 1; i < job.automation.size(); ++i) {
    if (job.automation[i].frame < job.automation[i - 1].frame) {
      throw HostError("automation points must come in frame order");
    }
  }
}

}  // namespace vessimor::tools
