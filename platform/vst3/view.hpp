// The VST3 plug-in view, its content-scale face and the host's plug frame. Same conventions and
// pins as platform/vst3/base.hpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/vst3/base.hpp"

namespace vessimor::vst3::abi {

// Platform types a host offers to `isPlatformTypeSupported` and `attached`.
inline constexpr char kPlatformTypeHWND[] = "HWND";
inline constexpr char kPlatformTypeHIView[] = "HIView";
inline constexpr char kPlatformTypeNSView[] = "NSView";
inline constexpr char kPlatformTypeUIView[] = "UIView";
inline constexpr char kPlatformTypeX11EmbedWindowID[] = "X11EmbedWindowID";

struct ViewRect {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

struct IPlugFrame;

struct IPlugViewVtbl {
  FUnknownVtbl unknown;
  tresult (*isPlatformTypeSupported)(void* self, const char* type);
  tresult (*attached)(void* self, void* parent, const char* type);
  tresult (*removed)(void* self);
  tresult (*onWheel)(void* self, float distance);
  tresult (*onKeyDown)(void* self, char16_t key, std::int16_t keyCode, std::int16_t modifiers);
  tresult (*onKeyUp)(void* self, char16_t key, std::int16_t keyCode, std::int16_t modifiers);
  tresult (*getSize)(void* self, ViewRect* size);
  tresult (*onSize)(void* self, ViewRect* newSize);
  tresult (*onFocus)(void* self, TBool state);
  tresult (*setFrame)(void* self, IPlugFrame* frame);
  tresult (*canResize)(void* self);
  tresult (*checkSizeConstraint)(void* self, ViewRect* rect);
};

struct IPlugView {
  const IPlugViewVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
};

struct IPlugViewContentScaleSupportVtbl {
  FUnknownVtbl unknown;
  tresult (*setContentScaleFactor)(void* self, float factor);
};

struct IPlugViewContentScaleSupport {
  const IPlugViewContentScaleSupportVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
};

struct IPlugFrameVtbl {
  FUnknownVtbl unknown;
  tresult (*resizeView)(void* self, IPlugView* view, ViewRect* newSize);
};

struct IPlugFrame {
  const IPlugFrameVtbl* vtbl;
  static constexpr Iid iid = make_iid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
};

// Layout pins.
static_assert(sizeof(ViewRect) == 16 && alignof(ViewRect) == 4);
static_assert(offsetof(ViewRect, left) == 0);
static_assert(offsetof(ViewRect, top) == 4);
static_assert(offsetof(ViewRect, right) == 8);
static_assert(offsetof(ViewRect, bottom) == 12);

static_assert(sizeof(IPlugViewVtbl) == 15 * kSlot);
static_assert(offsetof(IPlugViewVtbl, isPlatformTypeSupported) == 3 * kSlot);
static_assert(offsetof(IPlugViewVtbl, attached) == 4 * kSlot);
static_assert(offsetof(IPlugViewVtbl, removed) == 5 * kSlot);
static_assert(offsetof(IPlugViewVtbl, onWheel) == 6 * kSlot);
static_assert(offsetof(IPlugViewVtbl, onKeyDown) == 7 * kSlot);
static_assert(offsetof(IPlugViewVtbl, onKeyUp) == 8 * kSlot);
static_assert(offsetof(IPlugViewVtbl, getSize) == 9 * kSlot);
static_assert(offsetof(IPlugViewVtbl, onSize) == 10 * kSlot);
static_assert(offsetof(IPlugViewVtbl, onFocus) == 11 * kSlot);
static_assert(offsetof(IPlugViewVtbl, setFrame) == 12 * kSlot);
static_assert(offsetof(IPlugViewVtbl, canResize) == 13 * kSlot);
static_assert(offsetof(IPlugViewVtbl, checkSizeConstraint) == 14 * kSlot);

static_assert(sizeof(IPlugViewContentScaleSupportVtbl) == 4 * kSlot);
static_assert(offsetof(IPlugViewContentScaleSupportVtbl, setContentScaleFactor) == 3 * kSlot);

static_assert(sizeof(IPlugFrameVtbl) == 4 * kSlot);
static_assert(offsetof(IPlugFrameVtbl, resizeView) == 3 * kSlot);

}  // namespace vessimor::vst3::abi
