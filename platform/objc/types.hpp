#pragma once

// The plain value types that AppKit and WebKit messages take and return, laid out as the platform
// lays them out (LP64: NSInteger is 64-bit, CGFloat is double), and their Objective-C type
// encodings, which method declarations and blocks carry.

#include <cstdint>
#include <type_traits>

extern "C" {
struct objc_object;
struct objc_class;
struct objc_selector;
}

namespace vessimor::objc {

using id = ::objc_object*;
using Class = ::objc_class*;
#if defined(__APPLE__)
using SEL = ::objc_selector*;
#else
using SEL = const ::objc_selector*;
#endif
// Protocol objects are handled as Protocol*.
using Protocol = ::objc_object;
// A method implementation; cast to its exact function type before calling.
using IMP = void (*)();

// A block (the block ABI's literal); see platform/objc/block.hpp.
struct BlockLiteral;
using BlockRef = BlockLiteral*;

using NSInteger = long;
using NSUInteger = unsigned long;
using CGFloat = double;

struct NSPoint {
  CGFloat x = 0;
  CGFloat y = 0;
  friend bool operator==(const NSPoint&, const NSPoint&) = default;
};

struct NSSize {
  CGFloat width = 0;
  CGFloat height = 0;
  friend bool operator==(const NSSize&, const NSSize&) = default;
};

struct NSRect {
  NSPoint origin;
  NSSize size;
  friend bool operator==(const NSRect&, const NSRect&) = default;
};

struct NSOperatingSystemVersion {
  NSInteger majorVersion = 0;
  NSInteger minorVersion = 0;
  NSInteger patchVersion = 0;
};

// The type encoding of T, as @encode gives it on the platform. Only the types that messages of
// this program use are listed; another one is a compile error.
template <class T, class = void>
struct Encoding;

#define VESSIMOR_OBJC_ENCODING(type, text)     \
  template <>                                  \
  struct Encoding<type> {                      \
    static constexpr const char* value = text; \
  }
VESSIMOR_OBJC_ENCODING(void, "v");
VESSIMOR_OBJC_ENCODING(bool, "B");
VESSIMOR_OBJC_ENCODING(char, "c");
VESSIMOR_OBJC_ENCODING(signed char, "c");
VESSIMOR_OBJC_ENCODING(unsigned char, "C");
VESSIMOR_OBJC_ENCODING(short, "s");
VESSIMOR_OBJC_ENCODING(unsigned short, "S");
VESSIMOR_OBJC_ENCODING(int, "i");
VESSIMOR_OBJC_ENCODING(unsigned int, "I");
VESSIMOR_OBJC_ENCODING(long, "q");
VESSIMOR_OBJC_ENCODING(unsigned long, "Q");
VESSIMOR_OBJC_ENCODING(long long, "q");
VESSIMOR_OBJC_ENCODING(unsigned long long, "Q");
VESSIMOR_OBJC_ENCODING(float, "f");
VESSIMOR_OBJC_ENCODING(double, "d");
VESSIMOR_OBJC_ENCODING(const char*, "r*");
VESSIMOR_OBJC_ENCODING(char*, "*");
VESSIMOR_OBJC_ENCODING(id, "@");
VESSIMOR_OBJC_ENCODING(Class, "#");
VESSIMOR_OBJC_ENCODING(SEL, ":");
VESSIMOR_OBJC_ENCODING(BlockRef, "@?");
VESSIMOR_OBJC_ENCODING(NSPoint, "{CGPoint=dd}");
VESSIMOR_OBJC_ENCODING(NSSize, "{CGSize=dd}");
VESSIMOR_OBJC_ENCODING(NSRect, "{CGRect={CGPoint=dd}{CGSize=dd}}");
VESSIMOR_OBJC_ENCODING(NSOperatingSystemVersion, "{?=qqq}");
#undef VESSIMOR_OBJC_ENCODING

// Any other data pointer is encoded as a pointer to void.
template <class T>
struct Encoding<T*, std::enable_if_t<!std::is_same_v<std::remove_cv_t<T>, char> &&
                                     !std::is_same_v<T*, id> && !std::is_same_v<T*, Class> &&
                                     !std::is_same_v<T*, SEL> && !std::is_same_v<T*, BlockRef>>> {
  static constexpr const char* value = "^v";
};

}  // namespace vessimor::objc
