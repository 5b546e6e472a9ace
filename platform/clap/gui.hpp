// CLAP GUI extension (plug-in and host sides).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/clap/core.hpp"

extern "C" {

struct clap_window {
  const char* api;
  union {
    void* cocoa;
    void* uikit;
    unsigned long x11;
    void* win32;
    void* ptr;
  };
};

struct clap_gui_resize_hints {
  bool can_resize_horizontally;
  bool can_resize_vertically;
  bool preserve_aspect_ratio;
  uint32_t aspect_ratio_width;
  uint32_t aspect_ratio_height;
};

struct clap_plugin_gui {
  bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
  bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
  bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
  void (*destroy)(const clap_plugin* plugin);
  bool (*set_scale)(const clap_plugin* plugin, double scale);
  bool (*get_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
  bool (*can_resize)(const clap_plugin* plugin);
  bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
  bool (*adjust_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
  bool (*set_size)(const clap_plugin* plugin, uint32_t width, uint32_t height);
  bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);
  bool (*set_transient)(const clap_plugin* plugin, const clap_window* window);
  void (*suggest_title)(const clap_plugin* plugin, const char* title);
  bool (*show)(const clap_plugin* plugin);
  bool (*hide)(const clap_plugin* plugin);
};

struct clap_host_gui {
  void (*resize_hints_changed)(const clap_host* host);
  bool (*request_resize)(const clap_host* host, uint32_t width, uint32_t height);
  bool (*request_show)(const clap_host* host);
  bool (*request_hide)(const clap_host* host);
  void (*closed)(const clap_host* host, bool was_destroyed);
};

}  // extern "C"

inline constexpr char CLAP_EXT_GUI[] = "clap.gui";
inline constexpr char CLAP_WINDOW_API_COCOA[] = "cocoa";
inline constexpr char CLAP_WINDOW_API_X11[] = "x11";
inline constexpr char CLAP_WINDOW_API_WIN32[] = "win32";
inline constexpr char CLAP_WINDOW_API_WAYLAND[] = "wayland";
inline constexpr char CLAP_WINDOW_API_UIKIT[] = "uikit";

static_assert(sizeof(clap_window) == 16 && alignof(clap_window) == 8);
static_assert(offsetof(clap_window, api) == 0);
static_assert(offsetof(clap_window, cocoa) == 8);
static_assert(offsetof(clap_window, uikit) == 8);
static_assert(offsetof(clap_window, x11) == 8);
static_assert(offsetof(clap_window, win32) == 8);
static_assert(offsetof(clap_window, ptr) == 8);
static_assert(sizeof(unsigned long) == 8);

static_assert(sizeof(clap_gui_resize_hints) == 12 && alignof(clap_gui_resize_hints) == 4);
static_assert(offsetof(clap_gui_resize_hints, can_resize_horizontally) == 0);
static_assert(offsetof(clap_gui_resize_hints, can_resize_vertically) == 1);
static_assert(offsetof(clap_gui_resize_hints, preserve_aspect_ratio) == 2);
static_assert(offsetof(clap_gui_resize_hints, aspect_ratio_width) == 4);
static_assert(offsetof(clap_gui_resize_hints, aspect_ratio_height) == 8);

static_assert(sizeof(clap_plugin_gui) == 120 && alignof(clap_plugin_gui) == 8);
static_assert(offsetof(clap_plugin_gui, is_api_supported) == 0);
static_assert(offsetof(clap_plugin_gui, get_preferred_api) == 8);
static_assert(offsetof(clap_plugin_gui, create) == 16);
static_assert(offsetof(clap_plugin_gui, destroy) == 24);
static_assert(offsetof(clap_plugin_gui, set_scale) == 32);
static_assert(offsetof(clap_plugin_gui, get_size) == 40);
static_assert(offsetof(clap_plugin_gui, can_resize) == 48);
static_assert(offsetof(clap_plugin_gui, get_resize_hints) == 56);
static_assert(offsetof(clap_plugin_gui, adjust_size) == 64);
static_assert(offsetof(clap_plugin_gui, set_size) == 72);
static_assert(offsetof(clap_plugin_gui, set_parent) == 80);
static_assert(offsetof(clap_plugin_gui, set_transient) == 88);
static_assert(offsetof(clap_plugin_gui, suggest_title) == 96);
static_assert(offsetof(clap_plugin_gui, show) == 104);
static_assert(offsetof(clap_plugin_gui, hide) == 112);

static_assert(sizeof(clap_host_gui) == 40 && alignof(clap_host_gui) == 8);
static_assert(offsetof(clap_host_gui, resize_hints_changed) == 0);
static_assert(offsetof(clap_host_gui, request_resize) == 8);
static_assert(offsetof(clap_host_gui, request_show) == 16);
static_assert(offsetof(clap_host_gui, request_hide) == 24);
static_assert(offsetof(clap_host_gui, closed) == 32);
