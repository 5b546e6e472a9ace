// The CoreFoundation run-loop names the main-thread event loop uses: the system's on macOS, the
// Linux stand-in under platform/apple/ elsewhere.
#pragma once

#if defined(__APPLE__)
#include <CoreFoundation/CoreFoundation.h>
#else
#include "platform/apple/cf_run_loop.hpp"
#endif
