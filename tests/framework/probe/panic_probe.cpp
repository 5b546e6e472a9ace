#include "tests/framework/probe/panic_probe.hpp"

#include "framework/panic.hpp"

namespace {

// Hidden and not inlined, so that its frame shows whether symbolisation sees inside the library.
__attribute__((noinline)) std::string probe_hidden_frame() {
  std::string trace = vessimor::capture_stack_trace();
  asm volatile("");  // keeps the call from becoming a tail call
  return trace;
}

}  // namespace

std::string panic_probe_capture_stack() {
  std::string trace = probe_hidden_frame();
  asm volatile("");
  return trace;
}
