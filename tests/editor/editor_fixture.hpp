#pragma once

// An editor over a small parameter set, opened in a host window made of the AppKit stand-ins,
// with a GUI context that records what the editor asks of the wrapper.

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/webview_editor.hpp"
#include "framework/params/bool_param.hpp"
#include "framework/params/float_param.hpp"
#include "platform/apple/sim.hpp"
#include "tests/editor/capturing_logger.hpp"

namespace vessimor::test {

namespace sim = apple::sim;

class EditorParams final : public Params {
 public:
  FloatParam mix{"Mix", 0.5F, FloatRange::linear(0.0F, 1.0F)};
  BoolParam bypass{"Bypass", false};

  ParamMap param_map() const override {
    return {ParamMapEntry{"mix", ParamPtr(&mix), ""},
            ParamMapEntry{"bypass", ParamPtr(&bypass), ""}};
  }
  PersistentFields serialize_fields() const override { return {}; }
  void deserialize_fields(const PersistentFields&) override {}
};

// Each call as "begin Mix", "set Mix 1.5", "end Mix".
class RecordingContext final : public GuiContext {
 public:
  HostApi plugin_api() const override { return HostApi::clap; }
  bool request_resize() override { return true; }
  void raw_begin_set_parameter(ParamPtr param) override {
    calls.push_back("begin " + param.name());
  }
  void raw_set_parameter_normalized(ParamPtr param, float normalized) override {
    calls.push_back(fmt::format("set {} {}", param.name(), normalized));
  }
  void raw_end_set_parameter(ParamPtr param) override { calls.push_back("end " + param.name()); }
  PluginState get_state() override { return {}; }
  void set_state(PluginState) override {}

  std::vector<std::string> calls;
};

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = sim::make_window({{0, 0}, {900, 700}});
    host_view_ = sim::make_view({{0, 0}, {300, 200}});
    objc::send<void(objc::id)>(sim::content_view(window_.get()), "addSubview:", host_view_.get());
    editor_ = create_webview_editor(state_, params_, "<html><head></head><body>x</body></html>",
                                    [this](ParamMessage&& request) {
                                      requests_.emplace_back(request.type());
                                      // Answered like the plug-in does: a call for the page.
                                      if (request.is<ParamMessage::RequestTransport>()) {
                                        state_->push_transport(99.0F, true);
                                      }
                                    });
    if (CapturingLogger* logger = capturing_logger()) logger->clear();
  }
  void TearDown() override { sim::run_main_loop(); }

  std::unique_ptr<EditorHandle> open(objc::id view = nullptr) {
    return editor_->spawn(ParentWindowHandle{view != nullptr ? view : host_view_.get()}, context_);
  }
  // The editor's web view: the one subview of the host's view.
  objc::id web_view(objc::id view = nullptr) const {
    const std::vector<objc::id> subviews = sim::subviews(view != nullptr ? view : host_view_.get());
    return subviews.size() == 1 ? subviews[0] : nullptr;
  }
  // The page's document starts: the scripts that waited for it run.
  void commit() { sim::commit_navigation(web_view()); }
  bool post(std::string_view text) {
    return sim::post_page_message(web_view(), sim::string(text).get(), "about:blank");
  }
  std::vector<std::string> page_scripts() const { return sim::page(web_view()).scripts; }
  // The lines the editor logged since the last call.
  static std::vector<std::string> editor_log() {
    CapturingLogger* logger = capturing_logger();
    if (logger == nullptr) return {};
    std::vector<std::string> lines;
    for (std::string& line : logger->lines()) {
      if (line.starts_with("webview_editor::editor")) lines.push_back(std::move(line));
    }
    logger->clear();
    return lines;
  }

  std::shared_ptr<WebViewState> state_ = WebViewState::from_size(900, 600);
  std::shared_ptr<EditorParams> params_ = std::make_shared<EditorParams>();
  std::shared_ptr<RecordingContext> context_ = std::make_shared<RecordingContext>();
  // The types of the page requests the editor handed to the plug-in, in order.
  std::vector<std::string> requests_;
  std::unique_ptr<Editor> editor_;
  objc::Strong window_;
  objc::Strong host_view_;
};

}  // namespace vessimor::test
