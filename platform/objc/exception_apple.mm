// The Objective-C half of the seam's exception catch on macOS: only the compiler knows @try.
// C++ exceptions are not Objective-C objects and unwind through this frame untouched.

#include <objc/runtime.h>

extern "C" id vessimor_objc_call_catching(void (*body)(void*), void* context) {
  @try {
    body(context);
  } @catch (id exception) {
    return exception;
  }
  return nil;
}
