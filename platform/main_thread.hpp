#pragma once

namespace vessimor::platform {

// Whether the caller runs on the process's main thread. On macOS this is the answer of
// `NSThread` `isMainThread` (class and selector looked up once; a runtime without them is a
// broken invariant and raises); on Linux it is the process's initial thread.
// Thread: any
bool is_main_thread();

}  // namespace vessimor::platform
