// Linux stand-in for the CoreFoundation run loop, under the platform's own names, so that the
// main-thread event loop's code is the same on both systems. It offers what that loop relies on:
// version-0 sources added to the main run loop, signalled from any thread and performed on the
// main thread when the loop runs, removed and invalidated before they go. Nothing runs the main run
// loop by itself here: tests and our hosts turn it with CFRunLoopRunInMode on the main thread (the
// process's initial thread). Other threads have an empty run loop of their own.
//
// Never part of the macOS build, where <CoreFoundation/CoreFoundation.h> declares these names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" {

typedef long CFIndex;
typedef unsigned long CFHashCode;
typedef unsigned char Boolean;
typedef std::int32_t SInt32;
typedef double CFTimeInterval;
typedef const void* CFTypeRef;
typedef const struct __CFString* CFStringRef;
typedef const struct __CFAllocator* CFAllocatorRef;
typedef struct __CFRunLoop* CFRunLoopRef;
typedef struct __CFRunLoopSource* CFRunLoopSourceRef;
typedef CFStringRef CFRunLoopMode;

typedef struct {
  CFIndex version;
  void* info;
  const void* (*retain)(const void* info);
  void (*release)(const void* info);
  CFStringRef (*copyDescription)(const void* info);
  Boolean (*equal)(const void* info1, const void* info2);
  CFHashCode (*hash)(const void* info);
  void (*schedule)(void* info, CFRunLoopRef rl, CFRunLoopMode mode);
  void (*cancel)(void* info, CFRunLoopRef rl, CFRunLoopMode mode);
  void (*perform)(void* info);
} CFRunLoopSourceContext;

enum {
  kCFRunLoopRunFinished = 1,
  kCFRunLoopRunStopped = 2,
  kCFRunLoopRunTimedOut = 3,
  kCFRunLoopRunHandledSource = 4,
};

extern const CFAllocatorRef kCFAllocatorDefault;
extern const CFRunLoopMode kCFRunLoopDefaultMode;
extern const CFRunLoopMode kCFRunLoopCommonModes;

CFRunLoopRef CFRunLoopGetMain(void);
CFRunLoopRef CFRunLoopGetCurrent(void);
// Only version-0 contexts; any other gives null.
CFRunLoopSourceRef CFRunLoopSourceCreate(CFAllocatorRef allocator, CFIndex order,
                                         CFRunLoopSourceContext* context);
void CFRunLoopAddSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFRunLoopMode mode);
void CFRunLoopRemoveSource(CFRunLoopRef rl, CFRunLoopSourceRef source, CFRunLoopMode mode);
// Never blocks and never allocates.
void CFRunLoopSourceSignal(CFRunLoopSourceRef source);
void CFRunLoopSourceInvalidate(CFRunLoopSourceRef source);
Boolean CFRunLoopSourceIsValid(CFRunLoopSourceRef source);
// Never blocks and never allocates.
void CFRunLoopWakeUp(CFRunLoopRef rl);
// Runs the calling thread's run loop: performs the signalled sources of the mode (the default mode
// also serves the common modes) in order, then waits up to `seconds` for more. With
// `returnAfterSourceHandled` it returns after the first source it performs.
SInt32 CFRunLoopRunInMode(CFRunLoopMode mode, CFTimeInterval seconds,
                          Boolean returnAfterSourceHandled);
void CFRelease(CFTypeRef object);

}  // extern "C"

namespace vessimor::platform::apple {

// One recorded run-loop operation: its CoreFoundation name and the source it concerned.
struct RunLoopCall {
  std::string name;
  const void* source = nullptr;
  friend bool operator==(const RunLoopCall&, const RunLoopCall&) = default;
};

// The operations on sources so far, in order: CFRunLoopSourceCreate, CFRunLoopAddSource,
// perform, CFRunLoopRemoveSource, CFRunLoopSourceInvalidate and the final CFRelease ("free").
// Signals and wake-ups are only counted, so that the audio thread may signal. Thread: any
std::vector<RunLoopCall> run_loop_calls();
void clear_run_loop_calls();
std::uint64_t run_loop_signal_count();
std::uint64_t run_loop_wake_up_count();
// Sources on the main run loop now. Thread: any
std::size_t main_run_loop_source_count();

}  // namespace vessimor::platform::apple
