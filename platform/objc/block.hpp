#pragma once

// Blocks by the published block ABI: a literal (isa, flags, reserved, invoke, descriptor, then
// the captured data). WebKit hands its completion and decision handlers in as blocks and takes
// blocks for its own completions; both directions go through here.

#include <atomic>
#include <functional>
#include <string>
#include <utility>

#include "platform/objc/runtime.hpp"

namespace vessimor::objc {

struct BlockDescriptor {
  unsigned long reserved;
  unsigned long size;
  void (*copy)(void* destination, void* source);
  void (*dispose)(void* source);
  const char* signature;
};

struct BlockLiteral {
  void* isa;
  int flags;
  int reserved;
  IMP invoke;
  const BlockDescriptor* descriptor;
};

namespace detail {
inline constexpr int block_has_copy_dispose = 1 << 25;
inline constexpr int block_has_signature = 1 << 30;
void* stack_block_class() noexcept;
}  // namespace detail

// Block_copy and Block_release: a callee that keeps a block it was handed copies it.
BlockRef copy_block(BlockRef block) noexcept;
void release_block(BlockRef block) noexcept;

// Calls a block handed in by the platform; Sig is the block's signature.
template <class Sig>
struct BlockInvoker;
template <class R, class... P>
struct BlockInvoker<R(P...)> {
  template <class... A>
  static R invoke(BlockRef block, A&&... args) {
    return reinterpret_cast<R (*)(BlockRef, P...)>(block->invoke)(
        block, static_cast<P>(std::forward<A>(args))...);
  }
};
template <class Sig, class... A>
auto invoke_block(BlockRef block, A&&... args) {
  return BlockInvoker<Sig>::invoke(block, std::forward<A>(args)...);
}

// A block made here to hand to the platform, e.g. as a completion handler. It lives on the
// caller's stack like a compiler-made block; a callee that keeps it copies it (copy_block), and
// every copy shares the one function, which goes with the last copy.
template <class Sig>
class Block;

template <class R, class... P>
class Block<R(P...)> {
 public:
  template <class F>
  explicit Block(F&& function)
      : literal_{{detail::stack_block_class(),
                  detail::block_has_copy_dispose | detail::block_has_signature, 0,
                  reinterpret_cast<IMP>(&invoke), &descriptor},
                 new Shared{{1}, std::function<R(P...)>(std::forward<F>(function))}} {}
  ~Block() { drop(literal_.shared); }
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;

  BlockRef get() noexcept { return &literal_.header; }

 private:
  struct Shared {
    std::atomic<long> references;
    std::function<R(P...)> function;
  };
  struct Literal {
    BlockLiteral header;
    Shared* shared;
  };

  static void drop(Shared* shared) noexcept {
    if (shared->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete shared;
  }
  static R invoke(BlockRef block, P... args) {
    return reinterpret_cast<Literal*>(block)->shared->function(std::move(args)...);
  }
  // The runtime has already copied the literal's bytes; the copy takes its own reference.
  static void copy(void* destination, void*) {
    static_cast<Literal*>(destination)->shared->references.fetch_add(1, std::memory_order_relaxed);
  }
  static void dispose(void* source) { drop(static_cast<Literal*>(source)->shared); }
  static const char* signature() {
    static const std::string text = ((detail::encoding<R>() + "@?") + ... + detail::encoding<P>());
    return text.c_str();
  }

  static inline const BlockDescriptor descriptor{0, sizeof(Literal), &copy, &dispose, signature()};
  Literal literal_;
};

}  // namespace vessimor::objc
