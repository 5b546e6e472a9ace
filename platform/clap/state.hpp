// CLAP state extension and byte streams.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/clap/core.hpp"

extern "C" {

// `read` answers the bytes read, 0 at the end of the data, -1 on error; it may read fewer than
// asked.
struct clap_istream {
  void* ctx;
  int64_t (*read)(const clap_istream* stream, void* buffer, uint64_t size);
};

// `write` answers the bytes written or -1 on error; it may write fewer than asked.
struct clap_ostream {
  void* ctx;
  int64_t (*write)(const clap_ostream* stream, const void* buffer, uint64_t size);
};

struct clap_plugin_state {
  bool (*save)(const clap_plugin* plugin, const clap_ostream* stream);
  bool (*load)(const clap_plugin* plugin, const clap_istream* stream);
};

}  // extern "C"

inline constexpr char CLAP_EXT_STATE[] = "clap.state";

static_assert(sizeof(clap_istream) == 16 && alignof(clap_istream) == 8);
static_assert(offsetof(clap_istream, ctx) == 0);
static_assert(offsetof(clap_istream, read) == 8);

static_assert(sizeof(clap_ostream) == 16 && alignof(clap_ostream) == 8);
static_assert(offsetof(clap_ostream, ctx) == 0);
static_assert(offsetof(clap_ostream, write) == 8);

static_assert(sizeof(clap_plugin_state) == 16 && alignof(clap_plugin_state) == 8);
static_assert(offsetof(clap_plugin_state, save) == 0);
static_assert(offsetof(clap_plugin_state, load) == 8);
