#include "platform/apple/cf_run_loop.hpp"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <tuple>

#include "platform/main_thread.hpp"

struct __CFString {
  const char* name;
};

struct __CFRunLoop {
  bool is_main;
};

struct __CFRunLoopSource {
  std::atomic<std::int64_t> references{1};
  std::atomic<bool> signalled{false};
  std::atomic<bool> valid{true};
  CFIndex order = 0;
  CFRunLoopSourceContext context{};
};

namespace {

const __CFString default_mode{"kCFRunLoopDefaultMode"};
const __CFString common_modes{"kCFRunLoopCommonModes"};

// Which modes a source was added in; the default mode is one of the common modes.
constexpr unsigned kDefaultModeBit = 1;
constexpr unsigned kCommonModesBit = 2;

// By name: a mode may come from another copy of this stand-in in the process.
unsigned mode_bits(CFRunLoopMode mode) {
  if (mode == nullptr) return 0;
  if (std::strcmp(mode->name, default_mode.name) == 0) return kDefaultModeBit;
  if (std::strcmp(mode->name, common_modes.name) == 0) return kCommonModesBit;
  return 0;
}

__CFRunLoop main_loop{true};
// Every other thread's run loop: no source is ever added to it here.
__CFRunLoop other_loop{false};

struct Entry {
  CFRunLoopSourceRef source;
  unsigned modes;
  std::uint64_t sequence;  // addition order, for sources of equal order
};

struct MainLoopState {
  std::mutex mutex;
  std::vector<Entry> entries;
  std::uint64_t next_sequence = 0;
  std::vector<vessimor::platform::apple::RunLoopCall> calls;
  std::atomic<std::uint64_t> signals{0};
  std::atomic<std::uint64_t> wake_ups{0};
};

// Created on first use and never destroyed, so sources released during exit still find it.
MainLoopState& loop_state() {
  static MainLoopState* const state = new MainLoopState();
  return *state;
}

void record(MainLoopState& state, const char* name, const void* source) {
  state.calls.push_back({name, source});
}

void retain(CFRunLoopSourceRef source) {
  source->references.fetch_add(1, std::memory_order_relaxed);
}

void release(CFRunLoopSourceRef source) {
  if (source->references.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  if (source->context.release != nullptr) source->context.release(source->context.info);
  delete source;
}

// Takes the source off the main loop for the given mode bits (all of them when `bits` is ~0).
// Called with the state's mutex held; gives the sources to release once the mutex is let go.
void detach(MainLoopState& state, CFRunLoopSourceRef source, unsigned bits,
            std::vector<CFRunLoopSourceRef>& to_release) {
  for (auto it = state.entries.begin(); it != state.entries.end(); ++it) {
    if (it->source != source) continue;
    it->modes &= ~bits;
    if (it->modes == 0) {
      state.entries.erase(it);
      to_release.push_back(source);
    }
    return;
  }
}

bool is_attached(MainLoopState& state, CFRunLoopSourceRef source, unsigned run_bits) {
  return std::any_of(state.entries.begin(), state.entries.end(), [&](const Entry& entry) {
    return entry.source == source && (entry.modes & run_bits) != 0;
  });
}

}  // namespace

const CFAllocatorRef kCFAllocatorDefault = nullptr;
const CFRunLoopMode kCFRunLoopDefaultMode = &default_mode;
const CFRunLoopMode kCFRunLoopCommonModes = &common_modes;

namespace {

CFRunLoopRef impl_CFRunLoopGetMain() {
  return &main_loop;
}

CFRunLoopRef impl_CFRunLoopGetCurrent() {
  return vessimor::platform::is_main_thread() ? &main_loop : &other_loop;
}

CFRunLoopSourceRef impl_CFRunLoopSourceCreate(CFAllocatorRef /*allocator*/, CFIndex order,
                                              CFRunLoopSourceContext* context) {
  if (context == nullptr || context->version != 0) return nullptr;
  auto* source = new __CFRunLoopSource();
  source->order = order;
  source->context = *context;
  if (context->retain != nullptr) context->retain(context->info);
  MainLoopState& state = loop_state();
  std::lock_guard lock(state.mutex);
  record(state, "CFRunLoopSourceCreate", source);
  return source;
}

void impl_CFRunLoopAddSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFRunLoopMode mode) {
  const unsigned bits = mode_bits(mode);
  if (rl != &main_loop || source == nullptr || bits == 0 || !source->valid.load()) return;
  MainLoopState& state = loop_state();
  {
    std::lock_guard lock(state.mutex);
    record(state, "CFRunLoopAddSource", source);
    auto it = std::find_if(state.entries.begin(), state.entries.end(),
                           [&](const Entry& entry) { return entry.source == source; });
    if (it != state.entries.end()) {
      it->modes |= bits;
      return;
    }
    retain(source);
    state.entries.push_back({source, bits, state.next_sequence++});
  }
  if (source->context.schedule != nullptr) source->context.schedule(source->context.info, rl, mode);
}

void impl_CFRunLoopRemoveSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFRunLoopMode mode) {
  const unsigned bits = mode_bits(mode);
  if (rl != &main_loop || source == nullptr || bits == 0) return;
  MainLoopState& state = loop_state();
  std::vector<CFRunLoopSourceRef> to_release;
  {
    std::lock_guard lock(state.mutex);
    record(state, "CFRunLoopRemoveSource", source);
    detach(state, source, bits, to_release);
  }
  for (CFRunLoopSourceRef removed : to_release) {
    if (removed->context.cancel != nullptr)
      removed->context.cancel(removed->context.info, rl, mode);
    release(removed);
  }
}

void impl_CFRunLoopSourceSignal(CFRunLoopSourceRef source) {
  if (source == nullptr || !source->valid.load(std::memory_order_acquire)) return;
  source->signalled.store(true, std::memory_order_release);
  loop_state().signals.fetch_add(1, std::memory_order_relaxed);
}

void impl_CFRunLoopSourceInvalidate(CFRunLoopSourceRef source) {
  if (source == nullptr) return;
  MainLoopState& state = loop_state();
  std::vector<CFRunLoopSourceRef> to_release;
  {
    std::lock_guard lock(state.mutex);
    record(state, "CFRunLoopSourceInvalidate", source);
    if (!source->valid.exchange(false)) return;
    detach(state, source, ~0U, to_release);
  }
  for (CFRunLoopSourceRef removed : to_release) {
    if (removed->context.cancel != nullptr) {
      removed->context.cancel(removed->context.info, &main_loop, &common_modes);
    }
    release(removed);
  }
}

Boolean impl_CFRunLoopSourceIsValid(CFRunLoopSourceRef source) {
  return source != nullptr && source->valid.load() ? 1 : 0;
}

void impl_CFRunLoopWakeUp(CFRunLoopRef /*rl*/) {
  loop_state().wake_ups.fetch_add(1, std::memory_order_release);
}

SInt32 impl_CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds,
                               Boolean returnAfterSourceHandled) {
  if (!vessimor::platform::is_main_thread()) return kCFRunLoopRunFinished;
  // Running in the default mode serves the sources of the common modes too.
  const unsigned run_bits =
      mode_bits(mode) == kDefaultModeBit ? (kDefaultModeBit | kCommonModesBit) : mode_bits(mode);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(std::max(seconds, 0.0));
  MainLoopState& state = loop_state();
  for (;;) {
    std::vector<Entry> ready;
    {
      std::lock_guard lock(state.mutex);
      std::vector<Entry> served;
      for (const Entry& entry : state.entries) {
        if ((entry.modes & run_bits) != 0) served.push_back(entry);
      }
      if (served.empty()) return kCFRunLoopRunFinished;
      std::sort(served.begin(), served.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.source->order, a.sequence) < std::tie(b.source->order, b.sequence);
      });
      for (const Entry& entry : served) {
        if (!entry.source->signalled.exchange(false, std::memory_order_acq_rel)) continue;
        retain(entry.source);
        ready.push_back(entry);
        if (returnAfterSourceHandled) break;
      }
    }
    for (const Entry& entry : ready) {
      CFRunLoopSourceRef source = entry.source;
      bool still_attached = false;
      {
        std::lock_guard lock(state.mutex);
        // A source removed by an earlier perform of this turn is no longer served.
        still_attached = source->valid.load() && is_attached(state, source, run_bits);
        if (still_attached) record(state, "perform", source);
      }
      if (still_attached && source->context.perform != nullptr) {
        source->context.perform(source->context.info);
      }
      release(source);
    }
    if (returnAfterSourceHandled && !ready.empty()) return kCFRunLoopRunHandledSource;
    if (std::chrono::steady_clock::now() >= deadline) return kCFRunLoopRunTimedOut;
    const std::uint64_t wake_ups = state.wake_ups.load(std::memory_order_acquire);
    while (std::chrono::steady_clock::now() < deadline &&
           state.wake_ups.load(std::memory_order_acquire) == wake_ups) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

void impl_CFRelease(CFTypeRef object) {
  if (object == nullptr || object == &main_loop || object == &other_loop) return;
  // The only other CoreFoundation objects made here are run-loop sources.
  auto source = static_cast<CFRunLoopSourceRef>(const_cast<void*>(object));
  {
    MainLoopState& state = loop_state();
    std::lock_guard lock(state.mutex);
    record(state, "CFRelease", source);
  }
  release(source);
}

}  // namespace

namespace vessimor::platform::apple::detail {

// Every operation of the stand-in, so that all its copies in a process can use one of them.
struct RunLoopApi {
  decltype(&impl_CFRunLoopGetMain) get_main;
  decltype(&impl_CFRunLoopGetCurrent) get_current;
  decltype(&impl_CFRunLoopSourceCreate) source_create;
  decltype(&impl_CFRunLoopAddSource) add_source;
  decltype(&impl_CFRunLoopRemoveSource) remove_source;
  decltype(&impl_CFRunLoopSourceSignal) source_signal;
  decltype(&impl_CFRunLoopSourceInvalidate) source_invalidate;
  decltype(&impl_CFRunLoopSourceIsValid) source_is_valid;
  decltype(&impl_CFRunLoopWakeUp) wake_up;
  decltype(&impl_CFRunLoopRunInMode) run_in_mode;
  decltype(&impl_CFRelease) release;
};

}  // namespace vessimor::platform::apple::detail

using vessimor::platform::apple::detail::RunLoopApi;

extern "C" {

// On macOS one CoreFoundation serves the whole process, so a host that turns the main run loop
// turns the plug-in's sources too. Here each module carries a copy of this stand-in, hidden
// inside it; a host executable that exports this record (our hosts and tests do) becomes the
// process's one run loop, and every copy forwards to it.
__attribute__((visibility("default"))) extern const RunLoopApi vessimor_cf_run_loop_api;
const RunLoopApi vessimor_cf_run_loop_api = {&impl_CFRunLoopGetMain,
                                             &impl_CFRunLoopGetCurrent,
                                             &impl_CFRunLoopSourceCreate,
                                             &impl_CFRunLoopAddSource,
                                             &impl_CFRunLoopRemoveSource,
                                             &impl_CFRunLoopSourceSignal,
                                             &impl_CFRunLoopSourceInvalidate,
                                             &impl_CFRunLoopSourceIsValid,
                                             &impl_CFRunLoopWakeUp,
                                             &impl_CFRunLoopRunInMode,
                                             &impl_CFRelease};

}  // extern "C"

namespace {

const RunLoopApi& api() {
  static const RunLoopApi* const chosen = [] {
    const void* process_wide = dlsym(RTLD_DEFAULT, "vessimor_cf_run_loop_api");
    return process_wide != nullptr ? static_cast<const RunLoopApi*>(process_wide)
                                   : &vessimor_cf_run_loop_api;
  }();
  return *chosen;
}

}  // namespace

extern "C" {

CFRunLoopRef CFRunLoopGetMain(void) {
  return api().get_main();
}
CFRunLoopRef CFRunLoopGetCurrent(void) {
  return api().get_current();
}
CFRunLoopSourceRef CFRunLoopSourceCreate(CFAllocatorRef allocator, CFIndex order,
                                         CFRunLoopSourceContext* context) {
  return api().source_create(allocator, order, context);
}
void CFRunLoopAddSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFRunLoopMode mode) {
  api().add_source(rl, source, mode);
}
void CFRunLoopRemoveSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFRunLoopMode mode) {
  api().remove_source(rl, source, mode);
}
void CFRunLoopSourceSignal(CFRunLoopSourceRef source) {
  api().source_signal(source);
}
void CFRunLoopSourceInvalidate(CFRunLoopSourceRef source) {
  api().source_invalidate(source);
}
Boolean CFRunLoopSourceIsValid(CFRunLoopSourceRef source) {
  return api().source_is_valid(source);
}
void CFRunLoopWakeUp(CFRunLoopRef rl) {
  api().wake_up(rl);
}
SInt32 CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds,
                          Boolean returnAfterSourceHandled) {
  return api().run_in_mode(mode, seconds, returnAfterSourceHandled);
}
void CFRelease(CFTypeRef object) {
  api().release(object);
}

}  // extern "C"

namespace vessimor::platform::apple {

std::vector<RunLoopCall> run_loop_calls() {
  MainLoopState& state = loop_state();
  std::lock_guard lock(state.mutex);
  return state.calls;
}

void clear_run_loop_calls() {
  MainLoopState& state = loop_state();
  std::lock_guard lock(state.mutex);
  state.calls.clear();
}

std::uint64_t run_loop_signal_count() {
  return loop_state().signals.load(std::memory_order_relaxed);
}

std::uint64_t run_loop_wake_up_count() {
  return loop_state().wake_ups.load(std::memory_order_relaxed);
}

std::size_t main_run_loop_source_count() {
  MainLoopState& state = loop_state();
  std::lock_guard lock(state.mutex);
  return state.entries.size();
}

}  // namespace vessimor::platform::apple
