// The seam's macOS back end: the system Objective-C runtime. Not built on Linux. Message sends go
// through objc_msgSend (runtime.hpp); what both runtimes share is in runtime_common.cpp.

#include <objc/runtime.h>

#include "platform/objc/runtime.hpp"

namespace vessimor::objc {

Class allocate_class(Class superclass, const char* name) noexcept {
  return objc_allocateClassPair(superclass, name, 0);
}

}  // namespace vessimor::objc
