// A host that breaks the CLAP contract gets CLAP's error value and one error line, and its
// process goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "framework/log.hpp"
#include "framework/logger.hpp"
#include "tests/support/wait.hpp"
#include "tests/wrapper/clap/instance.hpp"

namespace vessimor::clap {
// Reaches the instance core, so that a test can hold the plug-in as the main thread does.
template <ClapPlugin P>
struct WrapperTestAccess {
  static core::InstanceCore<P>& core(const clap_plugin* plugin) {
    return static_cast<Wrapper<P>*>(plugin->plugin_data)->core_;
  }
};
}  // namespace vessimor::clap

namespace vessimor::test {
namespace {

// The number of times `text` occurs in `log`.
int occurrences(const std::string& log, const std::string& text) {
  int count = 0;
  for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
  return count;
}

class ClapContract : public ::testing::Test {
 protected:
  void SetUp() override {
    util::setup_logger();  // the first set-up of the process installs the standard-error logger
    ::testing::internal::CaptureStderr();
  }
  // Everything logged since the test began.
  std::string log() {
    log::flush();
    if (!captured_) {
      text_ = ::testing::internal::GetCapturedStderr();
      captured_ = true;
    }
    return text_;
  }
  void TearDown() override { (void)log(); }

 private:
  bool captured_ = false;
  std::string text_;
};

TEST_F(ClapContract, InitRefusesAHostWithoutAFunctionItWillNeed) {
  const auto refused = [](auto&& break_host) {
    Instance instance(true, false);
    break_host(instance.host);
    return !instance.plugin->init(instance.plugin);
  };
  EXPECT_TRUE(refused([](FakeHost& host) { host.host.get_extension = nullptr; }));
  EXPECT_TRUE(refused([](FakeHost& host) { host.host.request_callback = nullptr; }));
  EXPECT_TRUE(refused([](FakeHost& host) { host.params.request_flush = nullptr; }));
  EXPECT_TRUE(refused([](FakeHost& host) {
    host.offer_thread_check = true;
    host.thread_check.is_main_thread = nullptr;
  }));
  // An extension the host does not offer needs nothing.
  EXPECT_FALSE(refused([](FakeHost& host) {
    host.offer_params = false;
    host.params.request_flush = nullptr;
  }));
  const std::string text = log();
  EXPECT_EQ(occurrences(text,
                        " [ERROR] 'clap_host::get_extension' is a null pointer, but this is "
                        "not allowed"),
            1);
  EXPECT_EQ(occurrences(text, "'clap_host_params::request_flush' is a null pointer"), 1);
  EXPECT_EQ(occurrences(text, "'clap_host_thread_check::is_main_thread' is a null pointer"), 1);
}

TEST_F(ClapContract, ProcessBeforeActivationIsAnErrorLoggedOnce) {
  Instance instance;
  StereoBlock block(32);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(instance.process(block, 32), CLAP_PROCESS_ERROR);
  EXPECT_EQ(occurrences(log(), " [ERROR] Process call without prior initialization call"), 1);
  // Activated, the same instance processes.
  ASSERT_TRUE(instance.activate());
  EXPECT_EQ(instance.process(block, 32), CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
}

TEST_F(ClapContract, EventListsAndStreamsWithoutTheirFunctionsAreRefused) {
  Instance instance;
  ASSERT_TRUE(instance.activate());
  StereoBlock block(32);
  EventList in;
  in.param_value(0, GAIN_ID, 0.25);
  clap_input_events broken_in = *in.get();
  broken_in.get = nullptr;
  OutputList out;
  clap_output_events broken_out = *out.get();
  broken_out.try_push = nullptr;

  EXPECT_EQ(instance.process_lists(block, 32, &broken_in), CLAP_PROCESS_ERROR);
  EXPECT_EQ(instance.process_lists(block, 32, in.get(), &broken_out), CLAP_PROCESS_ERROR);
  instance.params().flush(instance.plugin, &broken_in, nullptr);
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.5);  // nothing was read from a broken list

  ChunkedInStream source("", 8);
  clap_istream no_read = *source.get();
  no_read.read = nullptr;
  EXPECT_FALSE(instance.state().load(instance.plugin, &no_read));
  ChunkedOutStream sink(8);
  clap_ostream no_write = *sink.get();
  no_write.write = nullptr;
  EXPECT_FALSE(instance.state().save(instance.plugin, &no_write));

  const std::string text = log();
  EXPECT_EQ(occurrences(text, "'clap_input_events::get' is a null pointer"), 1);
  EXPECT_EQ(occurrences(text, "'clap_output_events::try_push' is a null pointer"), 1);
  EXPECT_EQ(occurrences(text, "'clap_istream::read' is a null pointer"), 1);
  EXPECT_EQ(occurrences(text, "'clap_ostream::write' is a null pointer"), 1);
}

TEST_F(ClapContract, CallsOutOfOrderAreRefused) {
  Instance instance;
  ASSERT_TRUE(instance.activate());
  ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  EXPECT_FALSE(instance.activate());  // the buffers would be rebuilt under the audio thread

  // A host re-entering process, or flushing, from inside a process call.
  struct Reentry {
    Instance* instance;
    clap_process_status nested = CLAP_PROCESS_CONTINUE;
  } reentry{&instance};
  clap_input_events list{};
  list.ctx = &reentry;
  list.size = [](const clap_input_events* self) -> std::uint32_t {
    auto& r = *static_cast<Reentry*>(self->ctx);
    StereoBlock inner(8);
    r.nested = r.instance->process(inner, 8);
    r.instance->params().flush(r.instance->plugin, nullptr, nullptr);
    return 0;
  };
  list.get = [](const clap_input_events*, std::uint32_t) -> const clap_event_header* {
    return nullptr;
  };
  StereoBlock block(32);
  EXPECT_EQ(instance.process_lists(block, 32, &list), CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
  EXPECT_EQ(reentry.nested, CLAP_PROCESS_ERROR);

  instance.plugin->stop_processing(instance.plugin);
  EXPECT_TRUE(instance.activate());
  const std::string text = log();
  EXPECT_EQ(occurrences(text, " [ERROR] activate called while processing"), 1);
  EXPECT_EQ(occurrences(text, " [ERROR] process called while another process or flush call runs"),
            1);
  EXPECT_EQ(occurrences(text, " [ERROR] flush called while a process call runs"), 1);
}

// A process call that finds the main thread holding the plug-in (a host processing while it
// activates) sends silence, as a VST3 call does; its parameter events still count.
TEST_F(ClapContract, ABlockThatFindsThePlugInHeldSendsSilence) {
  Instance instance;
  ASSERT_TRUE(instance.activate(48000.0, 256));
  ASSERT_TRUE(instance.plugin->start_processing(instance.plugin));
  StereoBlock block(64);
  EventList in;
  in.param_value(0, GAIN_ID, 0.25);
  const std::size_t records = probe().records.size();
  clap::WrapperTestAccess<TestPlugin>::core(instance.plugin).with_plugin([&](TestPlugin&) {
    run_on_another_thread("a block that finds the plug-in held",
                          [&] { EXPECT_NE(instance.process(block, 64, &in), CLAP_PROCESS_ERROR); });
  });
  EXPECT_EQ(probe().records.size(), records);
  EXPECT_TRUE(std::all_of(block.left.begin(), block.left.end(), [](float x) { return x == 0; }));
  EXPECT_TRUE(std::all_of(block.right.begin(), block.right.end(), [](float x) { return x == 0; }));
  EXPECT_DOUBLE_EQ(instance.value_of(GAIN_ID), 0.25);
  instance.plugin->stop_processing(instance.plugin);
}

}  // namespace
}  // namespace vessimor::test
