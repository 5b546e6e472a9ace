// The order of the editor's value edits and the state loads that set the same parameters. An edit
// may wait in a queue and be applied after a load that the user made later (the CLAP wrapper
// applies the editor's edits when it hands them to the host); the load must win. Loads are
// numbered; an edit carries the number of loads made before it, and each parameter the number of
// the last load that set it. Lock-free and allocation-free after construction.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace vessimor::core {

class LoadOrder {
 public:
  // Thread: main (instance construction)
  explicit LoadOrder(std::size_t params)
      : set_by_load_(std::make_unique<std::atomic<std::uint64_t>[]>(params)), size_(params) {}

  // What an edit made now carries. Thread: main
  std::uint64_t loads_so_far() const noexcept { return loads_.load(std::memory_order_relaxed); }

  // Numbers a new load. Thread: main
  std::uint64_t next_load() noexcept { return loads_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // Records that `load` sets the parameter; nothing for an unknown one. Thread: main
  void set_by(std::optional<std::size_t> index, std::uint64_t load) noexcept {
    if (index && *index < size_) set_by_load_[*index].store(load, std::memory_order_release);
  }

  // Whether a load made after an edit that carries `loads_before` set the parameter since: the
  // edit is then outdated. Thread: any
  bool outdated(std::size_t index, std::uint64_t loads_before) const noexcept {
    return index < size_ && set_by_load_[index].load(std::memory_order_acquire) > loads_before;
  }

 private:
  std::unique_ptr<std::atomic<std::uint64_t>[]> set_by_load_;
  std::size_t size_;
  std::atomic<std::uint64_t> loads_{0};
};

}  // namespace vessimor::core
