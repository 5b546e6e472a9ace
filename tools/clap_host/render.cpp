#include "tools/clap_host/render.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <string>

#include "tools/clap_host/events.hpp"

namespace vessimor::tools {
namespace {

void apply_values(PluginInstance& instance, const RenderJob& job) {
  InputEvents events;
  for (const auto& [id, value] : job.values) events.add_param_value(0, id, value);
  instance.flush(&events, nullptr);
  for (const auto& [id, value] : job.values) {
    const std::optional<double> now = instance.param_value(id);
    if (!now || std::fabs(*now - value) > 1e-4 * std::max(1.0, std::fabs(value))) {
      throw HostError("the plug-in did not take the value " + std::to_string(value) +
                      " for parameter id " + std::to_string(id));
    }
  }
}

}  // namespace

AudioData render(PluginInstance& instance, const AudioData& input, const RenderJob& job) {
  if (input.channel_count() < 1 || input.channel_count() > 2) {
    throw HostError("the input has " + std::to_string(input.channel_count()) +
                    " channels; the effect takes mono or stereo");
  }
  if (job.block_size == 0) throw HostError("the block size must be at least 1");
  const std::size_t total = input.frame_count();
  const std::vector<float>& in_left = input.channels.front();
  const std::vector<float>& in_right = input.channels.back();  // mono feeds both sides

  apply_values(instance, job);
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
          if (instance.process_here(frames, nullptr, nullptr, &transport) == CLAP_PROCESS_ERROR) {
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

}  // namespace vessimor::tools
