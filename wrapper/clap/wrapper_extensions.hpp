// State, GUI, audio ports and the small extensions. Included by wrapper.hpp only.
#pragma once

namespace vessimor::clap {

template <ClapPlugin P>
bool Wrapper<P>::ext_state_save(const clap_plugin* plugin, const clap_ostream* stream) noexcept {
  return with(plugin, false, [stream](Wrapper& self) {
    if (stream == nullptr) {
      return false;
    }
    const state::SerializedJson serialized = self.core_.state_json();
    if (!serialized) {
      return false;
    }
    const std::string& json = serialized.text;
    std::array<std::byte, 8> prefix{};
    const std::uint64_t length = json.size();
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      prefix[i] = static_cast<std::byte>((length >> (8 * i)) & 0xFF);
    }
    return util::write_stream(*stream, prefix) &&
           util::write_stream(*stream, std::as_bytes(std::span(json.data(), json.size())));
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_state_load(const clap_plugin* plugin, const clap_istream* stream) noexcept {
  return with(plugin, false, [stream](Wrapper& self) {
    if (stream == nullptr) {
      return false;
    }
    std::array<std::byte, 8> prefix{};
    if (!util::read_stream_exact(*stream, prefix)) {
      return false;
    }
    std::uint64_t length = 0;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      length |= static_cast<std::uint64_t>(prefix[i]) << (8 * i);
    }
    // A corrupt or hostile prefix must not make us allocate gigabytes.
    if (length > MAX_STATE_BYTES) {
      return false;
    }
    std::string json(static_cast<std::size_t>(length), '\0');
    if (!util::read_stream_exact(*stream, std::as_writable_bytes(std::span(json)))) {
      return false;
    }
    std::optional<PluginState> state = state::deserialize_json(json);
    if (!state) {
      return false;
    }
    return self.set_state_inner(*state);
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_is_api_supported(const clap_plugin* plugin, const char* api,
                                          bool is_floating) noexcept {
  return with(plugin, false, [&](Wrapper&) {
    return api != nullptr && !is_floating && std::string_view(api) == CLAP_WINDOW_API_COCOA;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_get_preferred_api(const clap_plugin* plugin, const char** api,
                                           bool* is_floating) noexcept {
  return with(plugin, false, [&](Wrapper&) {
    if (api == nullptr || is_floating == nullptr) {
      return false;
    }
    *api = CLAP_WINDOW_API_COCOA;
    *is_floating = false;
    return true;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_create(const clap_plugin* plugin, const char* api,
                                bool is_floating) noexcept {
  return with(plugin, false, [&](Wrapper& self) {
    if (api == nullptr || is_floating || std::string_view(api) != CLAP_WINDOW_API_COCOA) {
      return false;
    }
    return !self.core_.editor().is_open();
  });
}

template <ClapPlugin P>
void Wrapper<P>::ext_gui_destroy(const clap_plugin* plugin) noexcept {
  with_void(plugin, [](Wrapper& self) { self.core_.editor().close(); });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_set_scale(const clap_plugin* plugin, double /*scale*/) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_get_size(const clap_plugin* plugin, std::uint32_t* width,
                                  std::uint32_t* height) noexcept {
  return with(plugin, false, [&](Wrapper& self) {
    if (width == nullptr || height == nullptr) {
      return false;
    }
    const std::optional<EditorSize> size = self.core_.editor().scaled_size();
    if (!size) {
      return false;
    }
    *width = size->width;
    *height = size->height;
    return true;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_can_resize(const clap_plugin* plugin) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_get_resize_hints(const clap_plugin* plugin,
                                          clap_gui_resize_hints* /*hints*/) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_adjust_size(const clap_plugin* plugin, std::uint32_t* /*width*/,
                                     std::uint32_t* /*height*/) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_set_size(const clap_plugin* plugin, std::uint32_t width,
                                  std::uint32_t height) noexcept {
  return with(plugin, false, [&](Wrapper& self) {
    const std::optional<EditorSize> size = self.core_.editor().scaled_size();
    return size && size->width == width && size->height == height;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_set_parent(const clap_plugin* plugin, const clap_window* window) noexcept {
  return with(plugin, false, [window](Wrapper& self) {
    if (window == nullptr || window->api == nullptr) {
      return false;
    }
    // The editor is told what it was given and refuses (with a log line) what it cannot embed
    // in: only an AppKit view.
    const std::string_view api(window->api);
    ParentWindowHandle parent;
    if (api == CLAP_WINDOW_API_COCOA) {
      parent.ns_view = window->cocoa;
    } else if (api == CLAP_WINDOW_API_X11) {
      parent.kind = ParentWindowHandle::Kind::x11;
      parent.x11_window = window->x11;
    } else if (api == CLAP_WINDOW_API_WIN32) {
      parent.kind = ParentWindowHandle::Kind::win32;
      parent.hwnd = window->win32;
    } else {
      return false;
    }
    return self.core_.editor().open(parent, [&self] {
      return std::make_shared<WrapperGuiContext<P>>(self.shared_from_this());
    });
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_set_transient(const clap_plugin* plugin,
                                       const clap_window* /*window*/) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
void Wrapper<P>::ext_gui_suggest_title(const clap_plugin* plugin, const char* /*title*/) noexcept {
  with_void(plugin, [](Wrapper&) {});
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_show(const clap_plugin* plugin) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_gui_hide(const clap_plugin* plugin) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

namespace ports_detail {

inline std::uint32_t input_port_count(const AudioIOLayout& layout) {
  return static_cast<std::uint32_t>(layout.aux_input_ports.size()) +
         (layout.main_input_channels ? 1U : 0U);
}

inline std::uint32_t output_port_count(const AudioIOLayout& layout) {
  return static_cast<std::uint32_t>(layout.aux_output_ports.size()) +
         (layout.main_output_channels ? 1U : 0U);
}

inline const char* port_type(std::uint32_t channels) {
  return channels == 1 ? CLAP_PORT_MONO : channels == 2 ? CLAP_PORT_STEREO : nullptr;
}

}  // namespace ports_detail

template <ClapPlugin P>
std::uint32_t Wrapper<P>::ext_audio_ports_count(const clap_plugin* plugin, bool is_input) noexcept {
  return with(plugin, std::uint32_t{0}, [is_input](Wrapper& self) {
    const AudioIOLayout& layout = self.core_.layout();
    return is_input ? ports_detail::input_port_count(layout)
                    : ports_detail::output_port_count(layout);
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_audio_ports_get(const clap_plugin* plugin, std::uint32_t index, bool is_input,
                                     clap_audio_port_info* info) noexcept {
  return with(plugin, false, [&](Wrapper& self) {
    if (info == nullptr) {
      return false;
    }
    const AudioIOLayout& layout = self.core_.layout();
    const std::uint32_t inputs = ports_detail::input_port_count(layout);
    const std::uint32_t outputs = ports_detail::output_port_count(layout);
    if (index >= (is_input ? inputs : outputs)) {
      return false;
    }
    std::memset(info, 0, sizeof(*info));
    info->id = is_input ? index : index + inputs;

    const std::optional<std::uint32_t>& main_channels =
        is_input ? layout.main_input_channels : layout.main_output_channels;
    const bool is_main = index == 0 && main_channels.has_value();
    std::string name;
    std::uint32_t channels = 0;
    if (is_main) {
      name = is_input ? layout.main_input_name() : layout.main_output_name();
      channels = *main_channels;
    } else {
      const std::size_t aux = main_channels ? index - 1 : index;
      const std::optional<std::string> aux_name =
          is_input ? layout.aux_input_name(aux) : layout.aux_output_name(aux);
      if (!aux_name) {
        fatal(is_input ? "Out of bounds auxiliary input port"
                       : "Out of bounds auxiliary output port");
      }
      name = *aux_name;
      channels = is_input ? layout.aux_input_ports[aux] : layout.aux_output_ports[aux];
    }
    util::strlcpy(info->name, sizeof(info->name), name);
    info->flags = is_main ? CLAP_AUDIO_PORT_IS_MAIN : 0;
    info->channel_count = channels;
    info->port_type = ports_detail::port_type(channels);
    info->in_place_pair = CLAP_INVALID_ID;
    if (is_main && is_input && layout.main_output_channels) {
      info->in_place_pair = inputs;  // the main output's id
    } else if (is_main && !is_input && layout.main_input_channels) {
      info->in_place_pair = 0;
    }
    return true;
  });
}

template <ClapPlugin P>
std::uint32_t Wrapper<P>::ext_audio_ports_config_count(const clap_plugin* plugin) noexcept {
  return with(plugin, std::uint32_t{0}, [](Wrapper&) { return std::uint32_t{1}; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_audio_ports_config_get(const clap_plugin* plugin, std::uint32_t index,
                                            clap_audio_ports_config* config) noexcept {
  return with(plugin, false, [&](Wrapper&) {
    if (config == nullptr || index != 0) {
      return false;
    }
    const AudioIOLayout& layout = P::AUDIO_LAYOUTS[0];
    std::memset(config, 0, sizeof(*config));
    config->id = 0;
    util::strlcpy(config->name, sizeof(config->name), layout.name());
    config->input_port_count = ports_detail::input_port_count(layout);
    config->output_port_count = ports_detail::output_port_count(layout);
    config->has_main_input = layout.main_input_channels.has_value();
    config->main_input_channel_count = layout.main_input_channels.value_or(0);
    config->main_input_port_type = ports_detail::port_type(config->main_input_channel_count);
    config->has_main_output = layout.main_output_channels.has_value();
    config->main_output_channel_count = layout.main_output_channels.value_or(0);
    config->main_output_port_type = ports_detail::port_type(config->main_output_channel_count);
    return true;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_audio_ports_config_select(const clap_plugin* plugin, clap_id id) noexcept {
  return with(plugin, false, [id](Wrapper& self) {
    if (id != 0) {
      return false;
    }
    return self.core_.select_layout(0);
  });
}

template <ClapPlugin P>
std::uint32_t Wrapper<P>::ext_latency_get(const clap_plugin* plugin) noexcept {
  return with(plugin, std::uint32_t{0}, [](Wrapper& self) { return self.latency_samples(); });
}

template <ClapPlugin P>
std::uint32_t Wrapper<P>::ext_tail_get(const clap_plugin* plugin) noexcept {
  return with(plugin, std::uint32_t{0}, [](Wrapper& self) { return self.core_.tail_samples(); });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_render_has_hard_realtime_requirement(const clap_plugin* plugin) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_render_set(const clap_plugin* plugin, clap_plugin_render_mode mode) noexcept {
  return with(plugin, false, [mode](Wrapper& self) {
    self.core_.set_process_mode(mode == CLAP_RENDER_OFFLINE ? ProcessMode::offline
                                                            : ProcessMode::realtime);
    return true;
  });
}

template <ClapPlugin P>
std::uint32_t Wrapper<P>::ext_remote_controls_count(const clap_plugin* plugin) noexcept {
  // The plug-in defines no remote-control pages.
  return with(plugin, std::uint32_t{0}, [](Wrapper&) { return std::uint32_t{0}; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_remote_controls_get(const clap_plugin* plugin, std::uint32_t /*index*/,
                                         clap_remote_controls_page* /*page*/) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
std::uint32_t Wrapper<P>::ext_note_ports_count(const clap_plugin* plugin,
                                               bool /*is_input*/) noexcept {
  return with(plugin, std::uint32_t{0}, [](Wrapper&) { return std::uint32_t{0}; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_note_ports_get(const clap_plugin* plugin, std::uint32_t /*index*/,
                                    bool /*is_input*/, clap_note_port_info* /*info*/) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_voice_info_get(const clap_plugin* plugin, clap_voice_info* /*info*/) noexcept {
  return with(plugin, false, [](Wrapper&) { return false; });
}

}  // namespace vessimor::clap
