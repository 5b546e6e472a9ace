#include "wrapper/vst3/process_events.hpp"

#include <algorithm>

namespace vessimor::vst3 {

void ProcessEvents::collect(abi::IParameterChanges* changes, std::int32_t samples) {
  changes_.clear();
  if (changes == nullptr) return;
  const std::int32_t last = samples > 0 ? samples - 1 : 0;
  const std::int32_t queues = changes->vtbl->getParameterCount(changes);
  for (std::int32_t q = 0; q < queues; ++q) {
    abi::IParamValueQueue* queue = changes->vtbl->getParameterData(changes, q);
    if (queue == nullptr) continue;
    const abi::ParamID id = queue->vtbl->getParameterId(queue);
    const std::int32_t points = queue->vtbl->getPointCount(queue);
    for (std::int32_t p = 0; p < points; ++p) {
      std::int32_t offset = 0;
      abi::ParamValue value = 0.0;
      if (queue->vtbl->getPoint(queue, p, &offset, &value) != abi::kResultOk) continue;
      insert_sorted(ParamChange{static_cast<std::uint32_t>(std::clamp(offset, 0, last)), id,
                                static_cast<float>(value)});
    }
  }
}

void ProcessEvents::insert_sorted(const ParamChange& change) {
  // A stable insertion: after every change at the same offset. Queues arrive in offset order, so
  // this is nearly always an append; std::stable_sort would allocate its buffer on this thread.
  const auto later = std::upper_bound(
      changes_.begin(), changes_.end(), change.offset,
      [](std::uint32_t offset, const ParamChange& other) { return offset < other.offset; });
  changes_.insert(later, change);
}

}  // namespace vessimor::vst3
