// The Linux modules' plug-in object hands out no editor, so hosts are offered none: no CLAP GUI
// extension, no VST3 view. On Linux the editor could never open in a host: there is no WebKit, and
// a Linux host offers only X11 or Wayland windows, which the editor refuses. Carrying it anyway
// would make the modules need the Objective-C and blocks runtimes that the AppKit and WebKit
// stand-ins run on, which a user's machine need not have; without them the host could not load
// the plug-in at all. The tests link the real editor over the stand-ins in their own process.
#include <memory>

#include "plugin/vessimor.hpp"

namespace vessimor {

std::unique_ptr<Editor> Vessimor::editor(AsyncExecutor /*executor*/) {
  return nullptr;
}

}  // namespace vessimor
