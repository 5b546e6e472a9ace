// The CLAP 1.2 C interface as this project uses it: version, entry, factory, descriptor, plug-in
// and host records. Written from the published binary layout; every record is pinned below so that
// a compiler or edit that moves a field fails the build instead of a host.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef uint32_t clap_id;

struct clap_version {
  uint32_t major;
  uint32_t minor;
  uint32_t revision;
};
// Members named `clap_version` hide the record's name inside their records; this alias keeps the
// type reachable there.
typedef clap_version clap_version_t;

struct clap_plugin_descriptor {
  clap_version_t clap_version;
  const char* id;
  const char* name;
  const char* vendor;
  const char* url;
  const char* manual_url;
  const char* support_url;
  const char* version;
  const char* description;
  const char* const* features;  // ends with a null pointer
};

struct clap_process;
struct clap_host;

struct clap_plugin {
  const clap_plugin_descriptor* desc;
  void* plugin_data;
  bool (*init)(const clap_plugin* plugin);
  void (*destroy)(const clap_plugin* plugin);
  bool (*activate)(const clap_plugin* plugin, double sample_rate, uint32_t min_frames_count,
                   uint32_t max_frames_count);
  void (*deactivate)(const clap_plugin* plugin);
  bool (*start_processing)(const clap_plugin* plugin);
  void (*stop_processing)(const clap_plugin* plugin);
  void (*reset)(const clap_plugin* plugin);
  int32_t (*process)(const clap_plugin* plugin, const clap_process* process);
  const void* (*get_extension)(const clap_plugin* plugin, const char* id);
  void (*on_main_thread)(const clap_plugin* plugin);
};

struct clap_host {
  clap_version_t clap_version;
  void* host_data;
  const char* name;
  const char* vendor;
  const char* url;
  const char* version;
  const void* (*get_extension)(const clap_host* host, const char* extension_id);
  void (*request_restart)(const clap_host* host);
  void (*request_process)(const clap_host* host);
  void (*request_callback)(const clap_host* host);
};

struct clap_plugin_factory {
  uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
  const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                         uint32_t index);
  const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                      const char* plugin_id);
};

struct clap_plugin_entry {
  clap_version_t clap_version;
  bool (*init)(const char* plugin_path);
  void (*deinit)(void);
  const void* (*get_factory)(const char* factory_id);
};

}  // extern "C"

// The version this plug-in declares in its entry and descriptor.
inline constexpr clap_version CLAP_VERSION_DECLARED{1, 2, 2};
inline constexpr clap_id CLAP_INVALID_ID = 0xFFFFFFFFu;
inline constexpr std::size_t CLAP_NAME_SIZE = 256;
inline constexpr std::size_t CLAP_PATH_SIZE = 1024;

inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

inline constexpr char CLAP_PLUGIN_FEATURE_AUDIO_EFFECT[] = "audio-effect";
inline constexpr char CLAP_PLUGIN_FEATURE_STEREO[] = "stereo";
inline constexpr char CLAP_PLUGIN_FEATURE_DISTORTION[] = "distortion";

// Layout pins (LP64, identical on Linux x86_64 and macOS arm64).
static_assert(sizeof(clap_version) == 12 && alignof(clap_version) == 4);
static_assert(offsetof(clap_version, major) == 0);
static_assert(offsetof(clap_version, minor) == 4);
static_assert(offsetof(clap_version, revision) == 8);

static_assert(sizeof(clap_plugin_entry) == 40 && alignof(clap_plugin_entry) == 8);
static_assert(offsetof(clap_plugin_entry, clap_version) == 0);
static_assert(offsetof(clap_plugin_entry, init) == 16);
static_assert(offsetof(clap_plugin_entry, deinit) == 24);
static_assert(offsetof(clap_plugin_entry, get_factory) == 32);

static_assert(sizeof(clap_plugin_factory) == 24 && alignof(clap_plugin_factory) == 8);
static_assert(offsetof(clap_plugin_factory, get_plugin_count) == 0);
static_assert(offsetof(clap_plugin_factory, get_plugin_descriptor) == 8);
static_assert(offsetof(clap_plugin_factory, create_plugin) == 16);

static_assert(sizeof(clap_plugin_descriptor) == 88 && alignof(clap_plugin_descriptor) == 8);
static_assert(offsetof(clap_plugin_descriptor, clap_version) == 0);
static_assert(offsetof(clap_plugin_descriptor, id) == 16);
static_assert(offsetof(clap_plugin_descriptor, name) == 24);
static_assert(offsetof(clap_plugin_descriptor, vendor) == 32);
static_assert(offsetof(clap_plugin_descriptor, url) == 40);
static_assert(offsetof(clap_plugin_descriptor, manual_url) == 48);
static_assert(offsetof(clap_plugin_descriptor, support_url) == 56);
static_assert(offsetof(clap_plugin_descriptor, version) == 64);
static_assert(offsetof(clap_plugin_descriptor, description) == 72);
static_assert(offsetof(clap_plugin_descriptor, features) == 80);

static_assert(sizeof(clap_plugin) == 96 && alignof(clap_plugin) == 8);
static_assert(offsetof(clap_plugin, desc) == 0);
static_assert(offsetof(clap_plugin, plugin_data) == 8);
static_assert(offsetof(clap_plugin, init) == 16);
static_assert(offsetof(clap_plugin, destroy) == 24);
static_assert(offsetof(clap_plugin, activate) == 32);
static_assert(offsetof(clap_plugin, deactivate) == 40);
static_assert(offsetof(clap_plugin, start_processing) == 48);
static_assert(offsetof(clap_plugin, stop_processing) == 56);
static_assert(offsetof(clap_plugin, reset) == 64);
static_assert(offsetof(clap_plugin, process) == 72);
static_assert(offsetof(clap_plugin, get_extension) == 80);
static_assert(offsetof(clap_plugin, on_main_thread) == 88);

static_assert(sizeof(clap_host) == 88 && alignof(clap_host) == 8);
static_assert(offsetof(clap_host, clap_version) == 0);
static_assert(offsetof(clap_host, host_data) == 16);
static_assert(offsetof(clap_host, name) == 24);
static_assert(offsetof(clap_host, vendor) == 32);
static_assert(offsetof(clap_host, url) == 40);
static_assert(offsetof(clap_host, version) == 48);
static_assert(offsetof(clap_host, get_extension) == 56);
static_assert(offsetof(clap_host, request_restart) == 64);
static_assert(offsetof(clap_host, request_process) == 72);
static_assert(offsetof(clap_host, request_callback) == 80);
