#include "wrapper/clap/descriptor.hpp"

namespace vessimor::clap {

std::string PluginDescriptor::owned_text(std::string_view text, std::string_view constant_name) {
  if (text.find('\0') != std::string_view::npos) {
    fatal("`" + std::string(constant_name) + "` contained null bytes");
  }
  return std::string(text);
}

void PluginDescriptor::finish() {
  feature_pointers_.clear();
  for (const std::string& feature : features_) {
    feature_pointers_.push_back(feature.c_str());
  }
  feature_pointers_.push_back(nullptr);

  record_.clap_version = CLAP_VERSION_DECLARED;
  record_.id = id_.c_str();
  record_.name = name_.c_str();
  record_.vendor = vendor_.c_str();
  record_.url = url_.c_str();
  record_.manual_url = nullptr;
  record_.support_url = nullptr;
  record_.version = version_.c_str();
  record_.description = description_.c_str();
  record_.features = feature_pointers_.data();
}

}  // namespace vessimor::clap
