// The Objective-C half of the seam's exception catch on the GNU runtime: only the compiler
// knows @try. C++ exceptions unwind through this frame untouched.

#include <objc/runtime.h>

id vessimor_objc_call_catching(void (*body)(void*), void* context);

id vessimor_objc_call_catching(void (*body)(void*), void* context) {
  @try {
    body(context);
  } @catch (id exception) {
    return exception;
  }
  return nil;
}
