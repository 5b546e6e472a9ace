#pragma once

#include <string>

// Exported by the probe library, a shared library built like a plug-in bundle: hidden visibility
// everywhere except this one function.
__attribute__((visibility("default"))) std::string panic_probe_capture_stack();
