// The plug-in descriptor a CLAP host reads: owned texts and the record pointing into them.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "framework/plugin.hpp"
#include "platform/clap/core.hpp"
#include "wrapper/clap/util.hpp"

namespace vessimor::clap {

class PluginDescriptor {
 public:
  // Builds the descriptor from the plug-in's constants. A text holding a zero byte is a fatal
  // failure naming the constant. Thread: any
  template <ClapPlugin P>
  static std::unique_ptr<PluginDescriptor> for_plugin() {
    auto descriptor = std::unique_ptr<PluginDescriptor>(new PluginDescriptor());
    descriptor->id_ = owned_text(P::CLAP_ID, "CLAP_ID");
    descriptor->name_ = owned_text(P::NAME, "NAME");
    descriptor->vendor_ = owned_text(P::VENDOR, "VENDOR");
    descriptor->url_ = owned_text(P::URL, "URL");
    descriptor->version_ = owned_text(P::VERSION, "VERSION");
    descriptor->description_ = owned_text(P::CLAP_DESCRIPTION, "CLAP_DESCRIPTION");
    for (const std::string_view feature : P::CLAP_FEATURES) {
      descriptor->features_.push_back(owned_text(feature, "CLAP_FEATURES"));
    }
    descriptor->finish();
    return descriptor;
  }

  PluginDescriptor(const PluginDescriptor&) = delete;
  PluginDescriptor& operator=(const PluginDescriptor&) = delete;

  // The record handed to hosts; it points into this object. Thread: any
  const ::clap_plugin_descriptor* clap_plugin_descriptor() const noexcept { return &record_; }

  // Thread: any
  std::string_view id() const noexcept { return id_; }

 private:
  PluginDescriptor() = default;

  static std::string owned_text(std::string_view text, std::string_view constant_name);
  void finish();

  std::string id_;
  std::string name_;
  std::string vendor_;
  std::string url_;
  std::string version_;
  std::string description_;
  std::vector<std::string> features_;
  std::vector<const char*> feature_pointers_;
  ::clap_plugin_descriptor record_{};
};

}  // namespace vessimor::clap
