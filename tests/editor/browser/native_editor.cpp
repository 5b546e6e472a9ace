// The native side of the end-to-end page tests: a real Vessimor in the real CLAP wrapper, its
// editor open in a host view made of the stand-ins, driven by a browser test over JSON lines.
//
// First line out: {"html": <the page the editor handed to its web view>}. Then one reply line per
// request line:
//   {"commit": true}                      the page's first navigation commits
//   {"post": <text>}                      the page posts a message through window.ipc
//   {"automate": {"id": .., "value": ..}} the host changes a parameter (host units)
//   {"flush": true}                       the host flushes: {"events": [{type, id, value}],
//                                         "requested": whether the plug-in asked for the flush}
//   {"value": <id>}                       the host reads a parameter: {"value": <host units>}
// Every reply carries "evaluate": the statements the editor ran in the stand-in's page since the
// last reply (the stand-in's own window.ipc definition left out), for the browser to run. The main
// run loop turns after each request, as a host's does between events. The page's preset requests
// go to the plug-in's preset worker, whose answers wait for the page's next message; user presets
// live under $HOME, which the browser side points at a folder of its own.
// End of input closes the editor and the instance.
//
// Argument: --preset-name=<name> makes <name> the current preset before the editor opens, as a
// preset loaded while the editor was closed does.

#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "framework/params/range.hpp"
#include "platform/apple/sim.hpp"
#include "plugin/params.hpp"
#include "plugin/vessimor.hpp"
#include "tests/wrapper/clap/fake_host.hpp"
#include "webview/inner_web_view.hpp"
#include "wrapper/clap/entry.hpp"

namespace vessimor::clap {

template <ClapPlugin P>
struct WrapperTestAccess {
  static void set_current_preset_name(const clap_plugin* plugin, std::string_view name) {
    Wrapper<P>::from(plugin)->core_.with_plugin(
        [&](P& instance) { instance.webview_state()->set_current_preset_name(name); });
  }
};

}  // namespace vessimor::clap

namespace {

using namespace vessimor;
namespace sim = apple::sim;
using nlohmann::json;
using Factory = clap::Factory<Vessimor>;

class NativeEditor {
 public:
  explicit NativeEditor(std::string_view preset_name) {
    plugin_ = Factory::create_plugin(&Factory::RECORD, &host_.host,
                                     std::string(Vessimor::CLAP_ID).c_str());
    if (plugin_ == nullptr || !plugin_->init(plugin_)) throw std::runtime_error("no instance");
    clap::WrapperTestAccess<Vessimor>::set_current_preset_name(plugin_, preset_name);
    gui_ = static_cast<const clap_plugin_gui*>(plugin_->get_extension(plugin_, CLAP_EXT_GUI));
    params_ =
        static_cast<const clap_plugin_params*>(plugin_->get_extension(plugin_, CLAP_EXT_PARAMS));
    for (const ParamMapEntry& entry : VessimorParams().param_map()) {
      ids_[hash_param_id(entry.id)] = entry.id;
    }
    objc::send<void(objc::id)>(sim::content_view(window_.get()), "addSubview:", view_.get());
    clap_window window{CLAP_WINDOW_API_COCOA, {view_.get()}};
    if (gui_ == nullptr || !gui_->create(plugin_, CLAP_WINDOW_API_COCOA, false) ||
        !gui_->set_parent(plugin_, &window)) {
      throw std::runtime_error("the editor did not open");
    }
    web_view_ = sim::subviews(view_.get()).at(0);
  }
  ~NativeEditor() {
    gui_->destroy(plugin_);
    plugin_->destroy(plugin_);
    sim::run_main_loop();
  }
  NativeEditor(const NativeEditor&) = delete;
  NativeEditor& operator=(const NativeEditor&) = delete;

  std::string html() const { return sim::page(web_view_).html.value_or(""); }

  json answer(const json& request) {
    json reply = json::object();
    if (request.contains("commit")) {
      sim::commit_navigation(web_view_);
    } else if (request.contains("post")) {
      const std::string text = request["post"].get<std::string>();
      sim::post_page_message(web_view_, sim::string(text).get(), "about:blank");
    } else if (request.contains("automate")) {
      const json& change = request["automate"];
      test::EventList events;
      events.param_value(0, hash_param_id(change["id"].get<std::string>()),
                         change["value"].get<double>());
      flush(events);
    } else if (request.contains("flush")) {
      reply.update(flush(test::EventList()));
    } else if (request.contains("value")) {
      double value = 0;
      params_->get_value(plugin_, hash_param_id(request["value"].get<std::string>()), &value);
      reply["value"] = value;
    }
    sim::run_main_loop();
    reply["evaluate"] = new_statements();
    return reply;
  }

 private:
  // The events the plug-in sends, and whether it asked for this flush since the last one.
  json flush(const test::EventList& in) {
    const bool requested = host_.request_flush_calls > flushes_requested_;
    flushes_requested_ = host_.request_flush_calls;
    test::OutputList out;
    params_->flush(plugin_, in.get(), out.get());
    json events = json::array();
    for (const test::OutputList::Sent& sent : out.sent) {
      const char* type = sent.type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin"
                         : sent.type == CLAP_EVENT_PARAM_GESTURE_END ? "end"
                                                                     : "value";
      events.push_back({{"type", type}, {"id", ids_[sent.param_id]}, {"value", sent.value}});
    }
    return {{"events", events}, {"requested", requested}};
  }

  json new_statements() {
    const std::vector<std::string> scripts = sim::page(web_view_).scripts;
    json statements = json::array();
    for (std::size_t i = sent_; i < scripts.size(); ++i) {
      if (scripts[i] != webview::bridge_definition_script) statements.push_back(scripts[i]);
    }
    sent_ = scripts.size();
    return statements;
  }

  test::FakeHost host_;
  const clap_plugin* plugin_ = nullptr;
  const clap_plugin_gui* gui_ = nullptr;
  const clap_plugin_params* params_ = nullptr;
  std::map<clap_id, std::string> ids_;
  objc::Strong window_ = sim::make_window({{0, 0}, {1000, 700}});
  objc::Strong view_ = sim::make_view({{0, 0}, {10, 10}});
  objc::id web_view_ = nullptr;
  std::size_t sent_ = 0;
  int flushes_requested_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  try {
    constexpr std::string_view kPresetName = "--preset-name=";
    std::string_view preset_name = "Init";
    for (int i = 1; i < argc; ++i) {
      const std::string_view argument = argv[i];
      if (!argument.starts_with(kPresetName)) throw std::runtime_error("unknown argument");
      preset_name = argument.substr(kPresetName.size());
    }
    NativeEditor editor(preset_name);
    std::cout << json{{"html", editor.html()}}.dump() << std::endl;
    for (std::string line; std::getline(std::cin, line);) {
      if (line.empty()) continue;
      std::cout << editor.answer(json::parse(line)).dump() << std::endl;
    }
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "native editor: %s\n", error.what());
    return 1;
  }
}
