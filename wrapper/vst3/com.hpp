// The object model hosts see: an object of several faces, each face one pointer to its own
// function table, placed first in the object, then an atomic reference count. A method receives
// the face the host called it on and finds its object from the face's index.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "framework/panic.hpp"
#include "platform/vst3/base.hpp"

namespace vessimor::vst3 {

// The face pointers of an object with N faces. Must be the object's first member.
template <std::size_t N>
struct Faces {
  const void* tables[N];

  // The pointer a host holds for face I. Thread: any
  template <std::size_t I>
  void* face() noexcept {
    static_assert(I < N);
    return static_cast<void*>(&tables[I]);
  }
};

// The object whose face I a host called, given that face's pointer. Thread: any
template <class Object, std::size_t I>
Object& owner_of(void* face) noexcept {
  return *reinterpret_cast<Object*>(static_cast<std::byte*>(face) - I * sizeof(void*));
}

// Runs `work(Object&)` for the object behind face I through the entry guard, so that no failure
// reaches the host; `fallback` answers a null face pointer. Thread: any
template <class Object, std::size_t I, class R, class F>
R with_owner(void* self, R fallback, F&& work) noexcept {
  return guard_entry([&]() -> R {
    if (self == nullptr) return fallback;
    return std::forward<F>(work)(owner_of<Object, I>(self));
  });
}

// The FUnknown slots of face I, for an Object with query_interface, add_ref and release.
template <class Object, std::size_t I>
struct UnknownSlots {
  // Thread: any
  static abi::tresult query_interface(void* self, const char* iid, void** obj) noexcept {
    return with_owner<Object, I>(self, abi::kInvalidArgument,
                                 [&](Object& object) { return object.query_interface(iid, obj); });
  }
  static std::uint32_t add_ref(void* self) noexcept {
    return with_owner<Object, I>(self, std::uint32_t{0},
                                 [](Object& object) { return object.add_ref(); });
  }
  static std::uint32_t release(void* self) noexcept {
    return with_owner<Object, I>(self, std::uint32_t{0},
                                 [](Object& object) { return object.release(); });
  }
  static constexpr abi::FUnknownVtbl TABLE{&query_interface, &add_ref, &release};
};

// The reference count of an object that hosts hold; the object starts with one reference.
class RefCount {
 public:
  // Thread: any
  std::uint32_t add() noexcept { return count_.fetch_add(1, std::memory_order_relaxed) + 1; }
  // The count left; the caller frees the object at 0. Thread: any
  std::uint32_t remove() noexcept { return count_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
  // Thread: any
  std::uint32_t load() const noexcept { return count_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint32_t> count_{1};
};

// Ends queryInterface: stores the face found for the interface id (null when none), and adds a
// reference when there is one. Thread: any
inline abi::tresult answer_query(void* found, const char* iid, void** obj,
                                 RefCount& count) noexcept {
  *obj = found;
  if (found == nullptr) return iid == nullptr ? abi::kInvalidArgument : abi::kNoInterface;
  count.add();
  return abi::kResultOk;
}

// A counted reference on a host object (component handler, plug frame, stream): adds one
// reference when taken and releases it when let go.
template <class Interface>
class HostRef {
 public:
  HostRef() = default;
  // Thread: any
  explicit HostRef(Interface* object) noexcept : object_(object) {
    if (object_ != nullptr) abi::unknown_of(object_).addRef(object_);
  }
  ~HostRef() { reset(); }
  HostRef(const HostRef&) = delete;
  HostRef& operator=(const HostRef&) = delete;
  HostRef(HostRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  HostRef& operator=(HostRef&& other) noexcept {
    if (this != &other) {
      reset();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }

  // Thread: any
  void reset() noexcept {
    if (Interface* object = std::exchange(object_, nullptr)) {
      abi::unknown_of(object).release(object);
    }
  }
  Interface* get() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

 private:
  Interface* object_ = nullptr;
};

}  // namespace vessimor::vst3
