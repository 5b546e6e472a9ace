#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "framework/gui_context.hpp"

namespace vessimor {

// The host's window that an editor embeds itself in: an AppKit `NSView*` on macOS. Hosts may
// offer other kinds; the editor tells them apart and refuses what it cannot embed in.
struct ParentWindowHandle {
  enum class Kind : std::uint8_t { app_kit, x11, win32 };

  void* ns_view = nullptr;  // app_kit
  Kind kind = Kind::app_kit;
  unsigned long x11_window = 0;  // x11: the window id
  void* hwnd = nullptr;          // win32
};

// Keeps a spawned editor open; destroying it closes the editor.
class EditorHandle {
 public:
  virtual ~EditorHandle() = default;
};

struct EditorSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// A plug-in's editor, owned by the wrapper that asked the plug-in for it.
class Editor {
 public:
  virtual ~Editor() = default;

  // Opens the editor inside the parent window; it stays open while the handle lives.
  // Thread: main
  virtual std::unique_ptr<EditorHandle> spawn(ParentWindowHandle parent,
                                              std::shared_ptr<GuiContext> context) = 0;
  // Size in logical pixels. Thread: main
  virtual EditorSize size() const = 0;
  // True when the factor was accepted. Thread: main
  virtual bool set_scale_factor(float factor) = 0;
  // The host changed one parameter. Thread: main
  virtual void param_value_changed(std::string_view id, float normalized_value) = 0;
  // The host modulates one parameter by a normalised offset (CLAP only). Thread: main
  virtual void param_modulation_changed(std::string_view id, float modulation_offset) = 0;
  // Many values may have changed at once, e.g. after a state was applied. Thread: main
  virtual void param_values_changed() = 0;
};

}  // namespace vessimor
