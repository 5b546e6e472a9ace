// The objects a VST3 host hands to a plug-in: a stream over memory for saved states, the
// parameter-change lists of a process call, a component handler that records the plug-in's
// edits and restart requests, and a plug frame that records the view's resize requests. Each counts
// its references; the host owns it, and a plug-in must give back every reference it took by the
// time the call returns (or the object is gone).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/vst3/vst3.hpp"

namespace vessimor::tools::vst3 {

namespace abi = vessimor::vst3::abi;

namespace detail {
// FUnknown over an object's reference count, for an object whose face is its first member.
template <class Object, class Interface>
struct CountedUnknown;
}  // namespace detail

// How a memory stream behaves like a host's file or network stream.
struct StreamOptions {
  // Bytes moved per read or write call at most; a plug-in must go on calling.
  std::size_t max_chunk = 3;
  // Once this many bytes are in, a write takes nothing more (a full medium).
  std::optional<std::size_t> capacity = std::nullopt;
  // The length `seek` to the end reports instead of the real one.
  std::optional<std::int64_t> claimed_length = std::nullopt;
};

// An IBStream over bytes in memory, with tell and seek.
class MemoryStream {
 public:
  template <class, class>
  friend struct detail::CountedUnknown;

  explicit MemoryStream(std::vector<std::uint8_t> bytes = {}, StreamOptions options = {});
  MemoryStream(const MemoryStream&) = delete;
  MemoryStream& operator=(const MemoryStream&) = delete;

  abi::IBStream* stream() { return &face_; }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::size_t position() const { return position_; }
  void set_position(std::size_t position) { position_ = position; }
  // Room for writes that then allocate nothing.
  void reserve(std::size_t bytes) { bytes_.reserve(bytes); }
  // References the plug-in holds right now besides the host's own.
  std::uint32_t borrowed() const { return references_.load() - 1; }

 private:
  static MemoryStream& of(void* self) noexcept;
  static abi::tresult read(void* self, void* buffer, std::int32_t size,
                           std::int32_t* done) noexcept;
  static abi::tresult write(void* self, void* buffer, std::int32_t size,
                            std::int32_t* done) noexcept;
  static abi::tresult seek(void* self, std::int64_t position, std::int32_t mode,
                           std::int64_t* result) noexcept;
  static abi::tresult tell(void* self, std::int64_t* position) noexcept;

  abi::IBStream face_;  // first: the plug-in's pointer is this object's
  std::atomic<std::uint32_t> references_{1};
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
  StreamOptions options_;
};

// The input (or output) parameter changes of one process call: one queue of points per
// parameter. Filled on the main thread before the call; reading allocates nothing, so the audio
// thread can take it as a host's would.
class ParameterChanges {
 public:
  ParameterChanges();
  ~ParameterChanges();
  ParameterChanges(const ParameterChanges&) = delete;
  ParameterChanges& operator=(const ParameterChanges&) = delete;

  abi::IParameterChanges* changes() { return &face_; }
  // Adds a point to the parameter's queue, creating the queue on its first point.
  void add(abi::ParamID id, std::int32_t offset, double value);
  void clear();
  bool empty() const { return queues_.empty(); }

 private:
  struct Queue;
  static ParameterChanges& of(void* self) noexcept;

  abi::IParameterChanges face_;
  std::vector<std::unique_ptr<Queue>> queues_;
};

// One edit or restart request the plug-in sent to the host.
struct HandlerCall {
  enum class Kind { begin_edit, perform_edit, end_edit, restart };
  Kind kind = Kind::perform_edit;
  abi::ParamID id = 0;
  double value = 0.0;      // perform_edit
  std::int32_t flags = 0;  // restart
  bool on_main_thread = true;
};

// An IComponentHandler that records every call, and on which thread it came (hosts take them on
// the main thread only).
class ComponentHandler {
 public:
  template <class, class>
  friend struct detail::CountedUnknown;

  ComponentHandler();
  ComponentHandler(const ComponentHandler&) = delete;
  ComponentHandler& operator=(const ComponentHandler&) = delete;

  abi::IComponentHandler* handler() { return &face_; }
  std::vector<HandlerCall> calls() const;
  void clear();
  std::uint32_t borrowed() const { return references_.load() - 1; }

 private:
  static ComponentHandler& of(void* self) noexcept;
  void record(HandlerCall call);

  abi::IComponentHandler face_;
  std::atomic<std::uint32_t> references_{1};
  std::thread::id main_thread_;
  mutable std::mutex mutex_;
  std::vector<HandlerCall> calls_;
};

// An IPlugFrame that records each resize a plug-in view asks for and gives one answer to all.
class PlugFrame {
 public:
  template <class, class>
  friend struct detail::CountedUnknown;

  struct Resize {
    abi::IPlugView* view = nullptr;
    abi::ViewRect rect{};
  };

  PlugFrame();
  PlugFrame(const PlugFrame&) = delete;
  PlugFrame& operator=(const PlugFrame&) = delete;

  abi::IPlugFrame* frame() { return &face_; }
  const std::vector<Resize>& resizes() const { return resizes_; }
  std::uint32_t borrowed() const { return references_.load() - 1; }
  void set_answer(abi::tresult answer) { answer_ = answer; }

 private:
  abi::IPlugFrame face_;
  std::atomic<std::uint32_t> references_{1};
  std::vector<Resize> resizes_;
  abi::tresult answer_ = abi::kResultOk;
};

}  // namespace vessimor::tools::vst3
