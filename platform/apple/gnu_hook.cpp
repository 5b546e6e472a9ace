// The stand-ins load the way frameworks do on the platform: they are there when a class is first
// looked up. The GNU runtime asks this handler for any class it does not know yet.

#include <objc/objc-exception.h>
#include <objc/runtime.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vessimor::apple {
void load_stand_ins();
bool loading_stand_ins();
std::string exception_text(id exception);
}  // namespace vessimor::apple

namespace {

Class find_stand_in(const char* name) {
  // While the stand-ins register, the runtime asks about each new name: those are new indeed.
  if (vessimor::apple::loading_stand_ins()) return Nil;
  vessimor::apple::load_stand_ins();
  return objc_lookUpClass(name);
}

void report_uncaught(id exception) {
  std::fprintf(stderr, "Uncaught Objective-C exception: %s\n",
               vessimor::apple::exception_text(exception).c_str());
  std::abort();
}

__attribute__((constructor)) void install() {
  objc_setGetUnknownClassHandler(&find_stand_in);
  objc_setUncaughtExceptionHandler(&report_uncaught);
}

}  // namespace
