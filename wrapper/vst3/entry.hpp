// The VST3 module's entry and exit, behind the exported names of each system (macOS:
// bundleEntry and bundleExit; Linux: ModuleEntry and ModuleExit).
#pragma once

namespace vessimor::vst3 {

// Installs the process-wide logger and failure hook; always true. Hosts may call entry and exit
// more than once, in pairs. Thread: main
bool module_entry() noexcept;
// Nothing to undo; always true. Thread: main
bool module_exit() noexcept;

}  // namespace vessimor::vst3
