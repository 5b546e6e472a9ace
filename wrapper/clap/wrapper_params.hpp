// The parameter extension: hosts see every parameter as 0..step count (stepped) or 0..1.
// Included by wrapper.hpp only.
#pragma once

namespace vessimor::clap {

template <ClapPlugin P>
std::uint32_t Wrapper<P>::ext_params_count(const clap_plugin* plugin) noexcept {
  return with(plugin, std::uint32_t{0},
              [](Wrapper& self) { return static_cast<std::uint32_t>(self.core_.tables().size()); });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_params_get_info(const clap_plugin* plugin, std::uint32_t index,
                                     clap_param_info* info) noexcept {
  return with(plugin, false, [&](Wrapper& self) {
    if (info == nullptr || index >= self.core_.tables().size()) {
      return false;
    }
    const core::ParamTableEntry& entry = self.core_.tables().entries()[index];
    const ParamPtr& param = entry.param;
    const ParamFlags flags = param.flags();
    const std::optional<std::int32_t> steps = param.step_count();

    std::memset(info, 0, sizeof(*info));
    info->id = entry.hash;
    if ((flags & (param_flags::NON_AUTOMATABLE | param_flags::HIDDEN)) == 0) {
      info->flags = CLAP_PARAM_IS_AUTOMATABLE | CLAP_PARAM_IS_MODULATABLE;
      if (param.poly_modulation_id().has_value()) {
        info->flags |= CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID;
      }
    } else if ((flags & param_flags::HIDDEN) != 0) {
      info->flags = CLAP_PARAM_IS_HIDDEN | CLAP_PARAM_IS_READONLY;
    }
    if ((flags & param_flags::BYPASS) != 0) {
      info->flags |= CLAP_PARAM_IS_BYPASS;
    }
    if (steps) {
      info->flags |= CLAP_PARAM_IS_STEPPED;
    }
    info->cookie = nullptr;
    util::strlcpy(info->name, sizeof(info->name), param.name());
    util::strlcpy(info->module, sizeof(info->module), entry.group);
    info->min_value = 0.0;
    info->max_value = steps ? static_cast<double>(*steps) : 1.0;
    info->default_value = host_value(param, param.default_normalized_value());
    return true;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_params_get_value(const clap_plugin* plugin, clap_id id,
                                      double* value) noexcept {
  return with(plugin, false, [&](Wrapper& self) {
    if (value == nullptr) {
      return false;
    }
    const std::optional<ParamPtr> param = self.param_of(id);
    if (!param) {
      return false;
    }
    *value = host_value(*param, param->modulated_normalized_value());
    return true;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_params_value_to_text(const clap_plugin* plugin, clap_id id, double value,
                                          char* buffer, std::uint32_t capacity) noexcept {
  return with(plugin, false, [&](Wrapper& self) {
    if (buffer == nullptr) {
      return false;
    }
    const std::optional<ParamPtr> param = self.param_of(id);
    if (!param) {
      return false;
    }
    const float normalized = normalized_from_host(*param, value);
    util::strlcpy(buffer, capacity, param->normalized_value_to_string(normalized, true));
    return true;
  });
}

template <ClapPlugin P>
bool Wrapper<P>::ext_params_text_to_value(const clap_plugin* plugin, clap_id id, const char* text,
                                          double* value) noexcept {
  return with(plugin, false, [&](Wrapper& self) {
    if (text == nullptr || value == nullptr) {
      return false;
    }
    const std::string_view view(text);
    if (!util::is_valid_utf8(view)) {
      return false;
    }
    const std::optional<ParamPtr> param = self.param_of(id);
    if (!param) {
      return false;
    }
    const std::optional<float> normalized = param->string_to_normalized_value(view);
    // Infinity is clamped into the range by the parse; a host must never get a non-finite value.
    if (!normalized || !std::isfinite(*normalized)) {
      return false;
    }
    *value = host_value(*param, *normalized);
    return true;
  });
}

template <ClapPlugin P>
void Wrapper<P>::ext_params_flush(const clap_plugin* plugin, const clap_input_events* in,
                                  const clap_output_events* out) noexcept {
  with_void(plugin, [&](Wrapper& self) {
    const AudioCall call(self.audio_call_busy_);
    if (!call) {
      self.report_host_fault("flush called while a process call runs");
      return;
    }
    if (std::optional<std::string> missing = missing_event_function(in, out)) {
      self.report_host_fault(*missing);
      return;
    }
    if (in != nullptr) {
      const auto size = require_function(in->size, "clap_input_events", "size");
      const auto get = require_function(in->get, "clap_input_events", "get");
      const std::uint32_t count = size(in);
      for (std::uint32_t index = 0; index < count; ++index) {
        if (const clap_event_header* event = get(in, index)) {
          self.handle_in_event(*event, nullptr);
        }
      }
    }
    if (out != nullptr) {
      self.handle_out_events(*out, 0);
    }
  });
}

}  // namespace vessimor::clap
