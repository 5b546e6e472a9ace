#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vessimor::platform {

// Names the calling thread for debuggers, crash reports and log lines. The operating system may
// keep a shortened form (Linux: 15 bytes); current_thread_name() still gives the full name.
void set_current_thread_name(std::string_view name) noexcept;

// The calling thread's name: the one given to set_current_thread_name, "main" on the process's
// main thread, otherwise the name another party gave it; nothing for an unnamed thread.
std::optional<std::string> current_thread_name();

}  // namespace vessimor::platform
