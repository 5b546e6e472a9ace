#pragma once

namespace vessimor::platform {

// Whether the caller runs on the process's main thread. On macOS this is the answer of
// `NSThread` `isMainThread` (class and selector looked up once; a runtime without them is a
// broken invariant and raises); on Linux it is the process's initial thread, unless a test
// picked another one.
// Thread: any
bool is_main_thread();

#if !defined(__APPLE__)
// Linux, where AppKit's stand-ins run under test: makes the calling thread count as the main
// thread (true), or the process's initial thread again (false).
void set_main_thread_to_caller(bool pick) noexcept;
#endif

}  // namespace vessimor::platform
