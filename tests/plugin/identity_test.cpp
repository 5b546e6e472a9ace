#include "plugin/identity.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace vessimor {
namespace {

// A stand-in plug-in: the constants must satisfy what both wrappers read.
class ConstantsOnly final : public Plugin, public VessimorIdentity {
 public:
  std::shared_ptr<Params> params() const override { return nullptr; }
  std::unique_ptr<Editor> editor(AsyncExecutor) override { return nullptr; }
  bool initialize(const AudioIOLayout&, const ProcessingConfig&, InitContext&) override {
    return true;
  }
  void reset() override {}
  ProcessResult process(Buffer&, AuxiliaryBuffers&, ProcessContext&) override {
    return ProcessResult::normal();
  }
};

static_assert(ClapPlugin<ConstantsOnly>);
static_assert(Vst3Plugin<ConstantsOnly>);

TEST(Identity, ConstantsHostsSee) {
  EXPECT_EQ(ConstantsOnly::AUDIO_LAYOUTS.size(), 1U);
  EXPECT_EQ(ConstantsOnly::AUDIO_LAYOUTS[0].name(), "Stereo");
  EXPECT_TRUE(ConstantsOnly::AUDIO_LAYOUTS[0].aux_input_ports.empty());
  const auto& id = ConstantsOnly::VST3_CLASS_ID;
  EXPECT_EQ(std::memcmp(id.data(), "QuoVessimorUnit", 16), 0);  // with its zero byte
  for (std::string_view text :
       {VessimorIdentity::CLAP_ID, VessimorIdentity::NAME, VessimorIdentity::VENDOR,
        VessimorIdentity::URL, VessimorIdentity::VERSION, VessimorIdentity::CLAP_DESCRIPTION}) {
    EXPECT_EQ(text.find('\0'), std::string_view::npos) << text;
  }
}

TEST(Identity, DefaultHooksDoNothing) {
  ConstantsOnly plugin;
  plugin.deactivate();
  EXPECT_TRUE(static_cast<bool>(plugin.task_executor()));
}

}  // namespace
}  // namespace vessimor
