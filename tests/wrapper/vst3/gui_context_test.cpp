// The editor's GUI context and the main-thread tasks: gestures as component-handler edits, tasks
// that reach only an open editor, a view slot the audio thread never waits for, and whole states
// handed to the audio thread while the host processes.
#include "wrapper/vst3/gui_context.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "tests/support/wait.hpp"
#include "tests/wrapper/vst3/test_instance.hpp"
#include "tools/vst3_host/host.hpp"

namespace vessimor::test {
namespace {

using tools::vst3::ComponentHandler;
using tools::vst3::HandlerCall;
using tools::vst3::ParameterChanges;
using Kind = HandlerCall::Kind;

class CountingView final : public vst3::OpenView {
 public:
  bool request_resize() override {
    ++resizes;
    return true;
  }
  int resizes = 0;
};

class Vst3GuiContext : public ::testing::Test {
 protected:
  std::shared_ptr<TestInner> shared_inner() { return instance.inner().shared_from_this(); }
  ParamPtr gain_param() { return *instance.inner().core().tables().param_of(GAIN); }
  // Attaches a view with the editor open in it, as the plug-in view does.
  void attach() {
    instance.inner().view().attach([&] {
      instance.inner().core().editor().open(ParentWindowHandle{}, [&] { return context; });
      return view;
    });
  }
  void remove() {
    instance.inner().view().remove([&] { instance.inner().core().editor().close(); });
  }
  std::vector<HandlerCall> calls_of(Kind kind) const {
    std::vector<HandlerCall> found;
    for (const HandlerCall& call : handler.calls()) {
      if (call.kind == kind) found.push_back(call);
    }
    return found;
  }

  // Outlives the instance, which may still hold it.
  ComponentHandler handler;
  Vst3TestInstance instance;
  std::shared_ptr<vst3::WrapperGuiContext<Vst3TestPlugin>> context =
      std::make_shared<vst3::WrapperGuiContext<Vst3TestPlugin>>(shared_inner());
  std::shared_ptr<CountingView> view = std::make_shared<CountingView>();
};

TEST_F(Vst3GuiContext, WithoutAHandlerAGestureChangesNothing) {
  EXPECT_EQ(context->plugin_api(), HostApi::vst3);
  EXPECT_EQ(static_cast<int>(context->plugin_api()), 2);
  context->raw_begin_set_parameter(gain_param());
  context->raw_set_parameter_normalized(gain_param(), 0.25F);
  context->raw_end_set_parameter(gain_param());
  EXPECT_FLOAT_EQ(instance.gain(), 1.0F);
}

TEST_F(Vst3GuiContext, GesturesBecomeHandlerEditsAndSetTheValue) {
  instance.inner().set_component_handler(handler.handler());
  EXPECT_EQ(handler.borrowed(), 1u);
  context->raw_begin_set_parameter(gain_param());
  context->raw_set_parameter_normalized(gain_param(), 0.25F);
  context->raw_set_parameter_normalized(gain_param(), std::nanf(""));  // never sent
  context->raw_set_parameter_normalized(gain_param(), 3.0F);           // clamped
  context->raw_end_set_parameter(gain_param());
  const std::vector<HandlerCall> calls = handler.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind, Kind::begin_edit);
  EXPECT_EQ(calls[1].kind, Kind::perform_edit);
  EXPECT_EQ(calls[1].value, 0.25);
  EXPECT_EQ(calls[2].value, 1.0);
  EXPECT_EQ(calls[3].kind, Kind::end_edit);
  for (const HandlerCall& call : calls) {
    EXPECT_EQ(call.id, GAIN);
    EXPECT_TRUE(call.on_main_thread);
  }
  EXPECT_FLOAT_EQ(instance.gain(), 2.0F);

  // A parameter of another instance is not this one's.
  Vst3TestInstance other;
  handler.clear();
  context->raw_set_parameter_normalized(*other.inner().core().tables().param_of(GAIN), 0.5F);
  EXPECT_TRUE(handler.calls().empty());

  instance.inner().set_component_handler(nullptr);
  EXPECT_EQ(handler.borrowed(), 0u);
}

TEST_F(Vst3GuiContext, WhileProcessingOnlyTheHostHearsOfAnEdit) {
  instance.inner().set_component_handler(handler.handler());
  instance.start();
  context->raw_set_parameter_normalized(gain_param(), 0.25F);
  ASSERT_EQ(calls_of(Kind::perform_edit).size(), 1u);
  EXPECT_FLOAT_EQ(instance.gain(), 1.0F);
  // The host hands the edit back with the next block.
  ParameterChanges changes;
  changes.add(GAIN, 0, 0.25);
  ASSERT_EQ(instance.process(32, &changes), abi::kResultOk);
  EXPECT_FLOAT_EQ(instance.gain(), 0.5F);
}

TEST_F(Vst3GuiContext, TasksRunOnTheMainThreadAndReachOnlyAnOpenEditor) {
  instance.inner().set_component_handler(handler.handler());
  ASSERT_EQ(instance.inner().set_normalized_value_by_hash(GAIN, 0.1F), abi::kResultOk);
  EXPECT_TRUE(editor_log().values.empty());
  EXPECT_EQ(instance.inner().set_normalized_value_by_hash(12345, 0.1F), abi::kInvalidArgument);

  attach();
  ASSERT_TRUE(instance.inner().view().view_open());
  // On the main thread a task runs before scheduling returns.
  ASSERT_EQ(instance.inner().set_normalized_value_by_hash(GAIN, 0.75F), abi::kResultOk);
  ASSERT_EQ(editor_log().values.size(), 1u);
  EXPECT_EQ(editor_log().values[0], (std::pair<std::string, float>("gain", 0.75F)));
  // Elsewhere it waits for the main run loop.
  run_on_another_thread("a value change off the main thread",
                        [&] { instance.inner().set_normalized_value_by_hash(GAIN, 0.5F); });
  EXPECT_EQ(editor_log().values.size(), 1u);
  tools::vst3::run_main_loop_once();
  EXPECT_EQ(editor_log().values.size(), 2u);

  EXPECT_TRUE(context->request_resize());
  EXPECT_EQ(view->resizes, 1);
  // A state from the editor: every value read afresh, the view resized, the host told.
  context->set_state(context->get_state());
  EXPECT_EQ(editor_log().all_values, 1);
  EXPECT_EQ(view->resizes, 2);
  const std::vector<HandlerCall> restarts = calls_of(Kind::restart);
  ASSERT_EQ(restarts.size(), 1u);
  EXPECT_EQ(restarts[0].flags, abi::kParamValuesChanged);

  // A change queued before the view went reaches nobody.
  run_on_another_thread("a value change off the main thread",
                        [&] { instance.inner().set_normalized_value_by_hash(GAIN, 0.25F); });
  remove();
  tools::vst3::run_main_loop_once();
  EXPECT_EQ(editor_log().values.size(), 2u);
  EXPECT_TRUE(context->request_resize());
  EXPECT_EQ(view->resizes, 2);
}

TEST_F(Vst3GuiContext, TheAudioThreadNeverWaitsForAViewThatIsOpening) {
  instance.start();
  bool processed_while_opening = false;
  // Outside the slot's lock, so that a waiting audio thread would fail the test, not hang it.
  std::future<abi::tresult> audio;
  instance.inner().view().attach([&] {
    // The editor takes long to open: meanwhile the host's audio thread moves a parameter.
    audio = std::async(std::launch::async, [&] {
      ParameterChanges changes;
      changes.add(GAIN, 8, 0.25);
      return instance.process(64, &changes);
    });
    processed_while_opening = audio.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    instance.inner().core().editor().open(ParentWindowHandle{}, [&] { return context; });
    return view;
  });
  EXPECT_TRUE(processed_while_opening);
  EXPECT_EQ(audio.get(), abi::kResultOk);
  EXPECT_FLOAT_EQ(instance.gain(), 0.5F);
  tools::vst3::run_main_loop_once();
  ASSERT_EQ(editor_log().values.size(), 1u);
  EXPECT_EQ(editor_log().values[0].second, 0.25F);
  remove();
}

// The editor's state never waits for the audio thread: its values are there at once, the audio
// thread initialises the plug-in again at its next call without allocating, freeing or locking,
// and the host hears of the values from the main thread.
TEST_F(Vst3GuiContext, TheEditorsStateNeverWaitsForTheAudioThread) {
  instance.inner().set_component_handler(handler.handler());
  instance.start();
  Vst3AudioThread audio(instance);
  for (int round = 0; round < 20; ++round) {
    const float normalized = round % 2 == 0 ? 0.25F : 0.75F;
    instance.inner().set_normalized_value_by_hash(GAIN, normalized);
    PluginState state = context->get_state();
    instance.inner().set_normalized_value_by_hash(GAIN, 0.5F);
    const int resets = probe().reset_calls.load();
    context->set_state(std::move(state));
    EXPECT_FLOAT_EQ(instance.gain(), normalized * 2.0F) << round;
    ASSERT_TRUE(wait_for_reset_after(resets)) << round;
    EXPECT_EQ(probe().initialized_on.load(), audio.id()) << round;
  }
  expect_realtime_safe(audio.stop());
  EXPECT_EQ(calls_of(Kind::restart).size(), 20u);
  for (const HandlerCall& call : handler.calls()) EXPECT_TRUE(call.on_main_thread);
}

}  // namespace
}  // namespace vessimor::test
