// Small helpers shared by the CLAP wrapper's entry points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "platform/clap/state.hpp"
#include "wrapper/core/state_limit.hpp"

namespace vessimor::clap {

// An unrecoverable failure of our own invariants: unwinds to the entry guard of the CLAP call,
// which ends the process.
// Thread: any
[[noreturn]] void fatal(std::string message);

// A host that broke the CLAP contract. It unwinds only to the wrapper's entry point, which logs it
// once and answers the call with CLAP's error value: the host's process, and its user's unsaved
// work, must not end for the host's mistake.
class HostContractError final : public std::exception {
 public:
  explicit HostContractError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }

 private:
  std::string message_;
};

// "'<record>::<function>' is a null pointer, but this is not allowed"
// Thread: any
std::string null_host_function_message(std::string_view record, std::string_view function);

// Throws HostContractError for a host or stream record that lacks a function the wrapper must
// call. Thread: any
[[noreturn]] void null_host_function(std::string_view record, std::string_view function);

// Returns the function pointer, or fails when the host left it null.
template <class F>
F require_function(F function, std::string_view record, std::string_view function_name) {
  if (function == nullptr) {
    null_host_function(record, function_name);
  }
  return function;
}

// Largest state a host may hand back: a length prefix above it is refused before allocating.
inline constexpr std::uint64_t MAX_STATE_BYTES = core::MAX_STATE_BYTES;

}  // namespace vessimor::clap

namespace vessimor::util {

// Writes all bytes, repeating short writes; false when the stream reports an error or no progress.
// An empty byte string is written without calling the stream. Thread: main
bool write_stream(const clap_ostream& stream, std::span<const std::byte> bytes);

// Fills `out` completely, repeating short reads; false at end of data or on error. Thread: main
bool read_stream_exact(const clap_istream& stream, std::span<std::byte> out);

}  // namespace vessimor::util
