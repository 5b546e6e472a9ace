#include "tools/vst3_host/host_objects.hpp"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vessimor::tools::vst3 {
template <class Object, class Interface>
struct detail::CountedUnknown {
  static constexpr abi::FUnknownVtbl table() {
    return abi::FUnknownVtbl{
        [](void* self, const char* iid, void** obj) noexcept -> abi::tresult {
          if (obj == nullptr) return abi::kInvalidArgument;
          if (abi::FUnknown::iid.matches(iid) || Interface::iid.matches(iid)) {
            static_cast<Object*>(self)->references_.fetch_add(1);
            *obj = self;
            return abi::kResultOk;
          }
          *obj = nullptr;
          return abi::kNoInterface;
        },
        [](void* self) noexcept {
          return static_cast<Object*>(self)->references_.fetch_add(1) + 1;
        },
        [](void* self) noexcept {
          return static_cast<Object*>(self)->references_.fetch_sub(1) - 1;
        },
    };
  }
};

// ---------------------------------------------------------------------------------------------
// Memory stream

MemoryStream::MemoryStream(std::vector<std::uint8_t> bytes, StreamOptions options)
    : bytes_(std::move(bytes)), options_(options) {
  static const abi::IBStreamVtbl table{detail::CountedUnknown<MemoryStream, abi::IBStream>::table(),
                                       &read, &write, &seek, &tell};
  face_.vtbl = &table;
  static_assert(offsetof(MemoryStream, face_) == 0);
}

MemoryStream& MemoryStream::of(void* self) noexcept {
  return *static_cast<MemoryStream*>(self);
}

abi::tresult MemoryStream::read(void* self, void* buffer, std::int32_t size,
                                std::int32_t* done) noexcept {
  MemoryStream& stream = of(self);
  if (buffer == nullptr || size < 0) return abi::kInvalidArgument;
  const std::size_t left = stream.bytes_.size() - std::min(stream.position_, stream.bytes_.size());
  const std::size_t count =
      std::min({static_cast<std::size_t>(size), left, stream.options_.max_chunk});
  std::memcpy(buffer, stream.bytes_.data() + stream.position_, count);
  stream.position_ += count;
  if (done != nullptr) *done = static_cast<std::int32_t>(count);
  return count > 0 || size == 0 ? abi::kResultOk : abi::kResultFalse;
}

abi::tresult MemoryStream::write(void* self, void* buffer, std::int32_t size,
                                 std::int32_t* done) noexcept {
  MemoryStream& stream = of(self);
  if (buffer == nullptr || size < 0) return abi::kInvalidArgument;
  std::size_t count = std::min(static_cast<std::size_t>(size), stream.options_.max_chunk);
  if (stream.options_.capacity) {
    count = std::min(count, *stream.options_.capacity -
                                std::min(*stream.options_.capacity, stream.bytes_.size()));
  }
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  if (stream.position_ > stream.bytes_.size()) stream.bytes_.resize(stream.position_);
  const std::size_t overlap = std::min(count, stream.bytes_.size() - stream.position_);
  std::copy_n(bytes, overlap,
              stream.bytes_.begin() + static_cast<std::ptrdiff_t>(stream.position_));
  stream.bytes_.insert(stream.bytes_.end(), bytes + overlap, bytes + count);
  stream.position_ += count;
  if (done != nullptr) *done = static_cast<std::int32_t>(count);
  return abi::kResultOk;
}

abi::tresult MemoryStream::seek(void* self, std::int64_t position, std::int32_t mode,
                                std::int64_t* result) noexcept {
  MemoryStream& stream = of(self);
  const std::int64_t end =
      stream.options_.claimed_length.value_or(static_cast<std::int64_t>(stream.bytes_.size()));
  std::int64_t target = position;
  if (mode == abi::kIBSeekCur) {
    target += static_cast<std::int64_t>(stream.position_);
  } else if (mode == abi::kIBSeekEnd) {
    target += end;
  } else if (mode != abi::kIBSeekSet) {
    return abi::kInvalidArgument;
  }
  if (target < 0) return abi::kResultFalse;
  stream.position_ = static_cast<std::size_t>(target);
  if (result != nullptr) *result = target;
  return abi::kResultOk;
}

abi::tresult MemoryStream::tell(void* self, std::int64_t* position) noexcept {
  if (position == nullptr) return abi::kInvalidArgument;
  *position = static_cast<std::int64_t>(of(self).position_);
  return abi::kResultOk;
}

// ---------------------------------------------------------------------------------------------
// Parameter changes

struct ParameterChanges::Queue {
  abi::IParamValueQueue face;
  std::atomic<std::uint32_t> references_{1};
  abi::ParamID id = 0;
  std::vector<std::pair<std::int32_t, double>> points;

  static Queue& of(void* self) noexcept { return *static_cast<Queue*>(self); }
};

ParameterChanges::ParameterChanges() {
  static const abi::IParameterChangesVtbl table{
      abi::FUnknownVtbl{
          [](void*, const char*, void** obj) noexcept -> abi::tresult {
            if (obj != nullptr) *obj = nullptr;
            return abi::kNoInterface;
          },
          [](void*) noexcept { return std::uint32_t{1}; },
          [](void*) noexcept { return std::uint32_t{1}; },
      },
      [](void* self) noexcept { return static_cast<std::int32_t>(of(self).queues_.size()); },
      [](void* self, std::int32_t index) noexcept -> abi::IParamValueQueue* {
        auto& queues = of(self).queues_;
        if (index < 0 || static_cast<std::size_t>(index) >= queues.size()) return nullptr;
        return &queues[static_cast<std::size_t>(index)]->face;
      },
      // Output changes are never read back by this host.
      [](void*, const abi::ParamID*, std::int32_t*) noexcept -> abi::IParamValueQueue* {
        return nullptr;
      },
  };
  face_.vtbl = &table;
  static_assert(offsetof(ParameterChanges, face_) == 0);
}

ParameterChanges::~ParameterChanges() = default;

ParameterChanges& ParameterChanges::of(void* self) noexcept {
  return *static_cast<ParameterChanges*>(self);
}

void ParameterChanges::add(abi::ParamID id, std::int32_t offset, double value) {
  static const abi::IParamValueQueueVtbl table{
      detail::CountedUnknown<Queue, abi::IParamValueQueue>::table(),
      [](void* self) noexcept { return Queue::of(self).id; },
      [](void* self) noexcept { return static_cast<std::int32_t>(Queue::of(self).points.size()); },
      [](void* self, std::int32_t index, std::int32_t* offset,
         abi::ParamValue* value) noexcept -> abi::tresult {
        const auto& points = Queue::of(self).points;
        if (offset == nullptr || value == nullptr || index < 0 ||
            static_cast<std::size_t>(index) >= points.size()) {
          return abi::kInvalidArgument;
        }
        *offset = points[static_cast<std::size_t>(index)].first;
        *value = points[static_cast<std::size_t>(index)].second;
        return abi::kResultOk;
      },
      [](void*, std::int32_t, abi::ParamValue, std::int32_t*) noexcept {
        return abi::kResultFalse;
      },
  };
  for (const auto& queue : queues_) {
    if (queue->id == id) {
      queue->points.emplace_back(offset, value);
      return;
    }
  }
  auto queue = std::make_unique<Queue>();
  queue->face.vtbl = &table;
  queue->id = id;
  queue->points.emplace_back(offset, value);
  queues_.push_back(std::move(queue));
}

void ParameterChanges::clear() {
  queues_.clear();
}

// ---------------------------------------------------------------------------------------------
// Component handler

ComponentHandler::ComponentHandler() : main_thread_(std::this_thread::get_id()) {
  static const abi::IComponentHandlerVtbl table{
      detail::CountedUnknown<ComponentHandler, abi::IComponentHandler>::table(),
      [](void* self, abi::ParamID id) noexcept {
        of(self).record({HandlerCall::Kind::begin_edit, id, 0.0, 0});
        return abi::kResultOk;
      },
      [](void* self, abi::ParamID id, abi::ParamValue value) noexcept {
        of(self).record({HandlerCall::Kind::perform_edit, id, value, 0});
        return abi::kResultOk;
      },
      [](void* self, abi::ParamID id) noexcept {
        of(self).record({HandlerCall::Kind::end_edit, id, 0.0, 0});
        return abi::kResultOk;
      },
      [](void* self, std::int32_t flags) noexcept {
        of(self).record({HandlerCall::Kind::restart, 0, 0.0, flags});
        return abi::kResultOk;
      },
  };
  face_.vtbl = &table;
  static_assert(offsetof(ComponentHandler, face_) == 0);
}

ComponentHandler& ComponentHandler::of(void* self) noexcept {
  return *static_cast<ComponentHandler*>(self);
}

void ComponentHandler::record(HandlerCall call) {
  call.on_main_thread = std::this_thread::get_id() == main_thread_;
  std::lock_guard lock(mutex_);
  calls_.push_back(call);
}

std::vector<HandlerCall> ComponentHandler::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void ComponentHandler::clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

// ---------------------------------------------------------------------------------------------
// Plug frame

PlugFrame::PlugFrame() {
  static const abi::IPlugFrameVtbl table{
      detail::CountedUnknown<PlugFrame, abi::IPlugFrame>::table(),
      [](void* self, abi::IPlugView* view, abi::ViewRect* rect) noexcept {
        PlugFrame& frame = *static_cast<PlugFrame*>(self);
        if (rect == nullptr) return abi::kInvalidArgument;
        frame.resizes_.push_back({view, *rect});
        return frame.answer_;
      },
  };
  face_.vtbl = &table;
  static_assert(offsetof(PlugFrame, face_) == 0);
}

}  // namespace vessimor::tools::vst3
