#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/apple/sim.hpp"
#include "platform/main_thread.hpp"
#include "platform/objc/block.hpp"
#include "platform/objc/runtime.hpp"

namespace vessimor::apple {
namespace {

using objc::id;
using objc::send;
using objc::Strong;
using ::testing::ElementsAre;

class StandIns : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::run_main_loop();
    sim::clear_calls();
  }
  void TearDown() override { sim::set_os_version(14); }
};

TEST_F(StandIns, LogShowsEachOperationWithItsArgumentsInOrder) {
  Strong view =
      Strong::adopt(send<id(objc::NSRect)>(send<id()>(objc::get_class("NSView"), "alloc"),
                                           "initWithFrame:", objc::NSRect{{1, 2}, {3, 4}}));
  send<void(unsigned long)>(view.get(), "setAutoresizingMask:", 18);
  id preferences = send<id()>(objc::get_class("WKPreferences"), "new");
  send<void(id, id)>(preferences, "setValue:forKey:", sim::number(1).get(),
                     sim::string("tabFocusesLinks").get());
  send<id()>(objc::get_class("NSApplication"), "sharedApplication");

  EXPECT_THAT(
      sim::call_texts(),
      ElementsAre("NSView +alloc", "NSView initWithFrame: {{1, 2}, {3, 4}}",
                  "NSView setAutoresizingMask: 18", "WKPreferences +new", "WKPreferences init",
                  "WKPreferences setValue:forKey: 1, \"tabFocusesLinks\"",
                  "NSApplication +sharedApplication"));
  EXPECT_THAT(sim::selectors_sent_to(view.get()),
              ElementsAre("initWithFrame:", "setAutoresizingMask:"));
  EXPECT_EQ(sim::value_for_key(preferences, "tabFocusesLinks"), "1");
  objc::release(preferences);
}

TEST_F(StandIns, ObjectsGoWithTheirLastReferenceAndThePoolDrainsOnTheRunLoop) {
  const long before = sim::live_objects("NSView");
  {
    Strong parent = sim::make_view({{0, 0}, {10, 10}});
    Strong child = sim::make_view({{0, 0}, {5, 5}});
    send<void(id)>(parent.get(), "addSubview:", child.get());
    EXPECT_EQ(sim::retain_count(child.get()), 2);
    objc::autorelease(objc::retain(parent.get()));
    EXPECT_EQ(sim::live_objects("NSView"), before + 2);
  }
  EXPECT_EQ(sim::live_objects("NSView"), before + 2) << "the pool still holds the parent";
  sim::run_main_loop();
  EXPECT_EQ(sim::live_objects("NSView"), before);
}

TEST_F(StandIns, ViewsKnowTheirWindowAndLeaveTheirParent) {
  Strong window = sim::make_window({{0, 0}, {900, 600}}, 2.0);
  id content = sim::content_view(window.get());
  Strong view = sim::make_view({{0, 0}, {10, 10}});
  send<void(id)>(content, "addSubview:", view.get());
  EXPECT_EQ(send<id()>(view.get(), "window"), window.get());
  EXPECT_EQ(send<double()>(window.get(), "backingScaleFactor"), 2.0);
  send<void()>(view.get(), "removeFromSuperview");
  EXPECT_EQ(send<id()>(view.get(), "window"), nullptr);
  EXPECT_TRUE(sim::subviews(content).empty());
  id close = send<id(long)>(window.get(), "standardWindowButton:", 0);
  id container = sim::superview(sim::superview(close));
  EXPECT_EQ(objc::class_name(objc::class_of(container)), std::string("NSTitlebarContainerView"));
}

TEST_F(StandIns, SelectorsNewerThanTheOsVersionAreMissing) {
  id application = send<id()>(objc::get_class("NSApplication"), "sharedApplication");
  EXPECT_TRUE(objc::responds_to(application, "activate"));
  sim::set_os_version(13);
  EXPECT_FALSE(objc::responds_to(application, "activate"));
  EXPECT_TRUE(objc::responds_to(application, "activateIgnoringOtherApps:"));
  id raised = objc::catch_exception([&] { send<void()>(application, "activate"); });
  ASSERT_NE(raised, nullptr);
  EXPECT_EQ(sim::text(send<id()>(raised, "name")), "NSInvalidArgumentException");
  EXPECT_EQ(
      send<objc::NSOperatingSystemVersion()>(
          send<id()>(objc::get_class("NSProcessInfo"), "processInfo"), "operatingSystemVersion")
          .majorVersion,
      13);
}

TEST_F(StandIns, WebKitRefusesSchemesItHandlesAndRepeatedMessageHandlers) {
  Strong configuration =
      Strong::adopt(send<id()>(objc::get_class("WKWebViewConfiguration"), "new"));
  Strong handler = Strong::adopt(send<id()>(objc::get_class("NSObject"), "new"));
  auto register_scheme = [&](const char* scheme) {
    return objc::catch_exception([&] {
      send<void(id, id)>(configuration.get(), "setURLSchemeHandler:forURLScheme:", handler.get(),
                         sim::string(scheme).get());
    });
  };
  EXPECT_NE(register_scheme("https"), nullptr);
  EXPECT_EQ(register_scheme("vessimor"), nullptr);
  EXPECT_NE(register_scheme("vessimor"), nullptr) << "one handler per scheme";

  id controller = send<id()>(configuration.get(), "userContentController");
  auto add_handler = [&] {
    return objc::catch_exception([&] {
      send<void(id, id)>(controller, "addScriptMessageHandler:name:", handler.get(),
                         sim::string("ipc").get());
    });
  };
  EXPECT_EQ(add_handler(), nullptr);
  EXPECT_NE(add_handler(), nullptr);
}

TEST_F(StandIns, TheMainThreadIsTheInitialOneUnlessATestPicksAnother) {
  EXPECT_TRUE(platform::is_main_thread());
  EXPECT_TRUE(send<bool()>(objc::get_class("NSThread"), "isMainThread"));
  bool other_is_main = true;
  std::thread([&] { other_is_main = platform::is_main_thread(); }).join();
  EXPECT_FALSE(other_is_main);
  std::thread([&] {
    sim::pick_main_thread();
    other_is_main = platform::is_main_thread();
  }).join();
  EXPECT_TRUE(other_is_main);
  EXPECT_FALSE(platform::is_main_thread());
  sim::reset_main_thread();
  EXPECT_TRUE(platform::is_main_thread());
}

TEST_F(StandIns, ClassesAdoptThePlatformProtocols) {
  objc::Class cls = objc::allocate_class(objc::get_class("NSObject"), "StandInsTestDelegate");
  EXPECT_TRUE(objc::adopt_protocol(cls, "WKNavigationDelegate"));
  EXPECT_TRUE(objc::adopt_protocol(cls, "NSDraggingDestination"));
  objc::register_class(cls);
  EXPECT_TRUE(objc::conforms_to(cls, objc::get_protocol("WKNavigationDelegate")));
  Strong object = Strong::adopt(send<id()>(cls, "new"));
  EXPECT_TRUE(send<bool(objc::Protocol*)>(object.get(),
                                          "conformsToProtocol:", objc::get_protocol("NSObject")));
}

// A delegate and scheme handler of the test's own, answering as the web view host would.
void decide_action(id, objc::SEL, id, id action, objc::BlockRef handler) {
  const bool download = send<bool()>(action, "shouldPerformDownload");
  objc::invoke_block<void(long)>(handler, download ? 2 : 1);
}
void decide_destination(id, objc::SEL, id, id, id name, objc::BlockRef completion) {
  const std::string path = "/downloads/" + sim::text(name);
  objc::invoke_block<void(id)>(
      completion, send<id(id, bool)>(objc::get_class("NSURL"), "fileURLWithPath:isDirectory:",
                                     sim::string(path).get(), false));
}
void start_task(id, objc::SEL, id, id task) {
  Strong response = Strong::adopt(
      send<id(id, long, id, id)>(send<id()>(objc::get_class("NSHTTPURLResponse"), "alloc"),
                                 "initWithURL:statusCode:HTTPVersion:headerFields:",
                                 send<id()>(send<id()>(task, "request"), "URL"), 200,
                                 sim::string("HTTP/1.1").get(), static_cast<id>(nullptr)));
  send<void(id)>(task, "didReceiveResponse:", response.get());
  send<void(id)>(task, "didReceiveData:",
                 send<id(const void*, unsigned long)>(objc::get_class("NSData"),
                                                      "dataWithBytes:length:", "hello", 5));
  send<void()>(task, "didFinish");
}

TEST_F(StandIns, SimulatedRequestsReachDelegatesAndBringTheirAnswersBack) {
  objc::Class cls = objc::allocate_class(objc::get_class("NSObject"), "StandInsTestNavigation");
  objc::add_method(cls, "webView:decidePolicyForNavigationAction:decisionHandler:", &decide_action);
  objc::add_method(cls,
                   "download:decideDestinationUsingResponse:suggestedFilename:completionHandler:",
                   &decide_destination);
  objc::add_method(cls, "webView:startURLSchemeTask:", &start_task);
  objc::register_class(cls);
  Strong delegate = Strong::adopt(send<id()>(cls, "new"));

  Strong configuration =
      Strong::adopt(send<id()>(objc::get_class("WKWebViewConfiguration"), "new"));
  send<void(id, id)>(configuration.get(), "setURLSchemeHandler:forURLScheme:", delegate.get(),
                     sim::string("app").get());
  Strong web_view = Strong::adopt(send<id(objc::NSRect, id)>(
      send<id()>(objc::get_class("WKWebView"), "alloc"),
      "initWithFrame:configuration:", objc::NSRect{}, configuration.get()));
  send<void(id)>(web_view.get(), "setNavigationDelegate:", delegate.get());

  EXPECT_EQ(sim::decide_navigation_action(web_view.get(), "https://a/"), 1);
  EXPECT_EQ(sim::decide_navigation_action(web_view.get(), "https://a/f.zip", true), 2);
  EXPECT_EQ(sim::decide_navigation_response(web_view.get(), false), std::nullopt)
      << "not implemented: not asked";

  Strong download = sim::become_download(web_view.get(), "https://a/f.zip");
  send<void(id)>(download.get(), "setDelegate:", delegate.get());
  const sim::DestinationAnswer answer = sim::decide_download_destination(download.get(), "f.zip");
  EXPECT_TRUE(answer.answered);
  EXPECT_EQ(answer.path, "/downloads/f.zip");

  sim::SchemeRequest request;
  request.url = "app://index.html";
  Strong task = sim::start_scheme_task(web_view.get(), request);
  const sim::TaskState state = sim::scheme_task(task.get());
  EXPECT_EQ(state.status, 200);
  EXPECT_EQ(state.data, "hello");
  EXPECT_TRUE(state.finished);
  EXPECT_NE(objc::catch_exception([&] { send<void()>(task.get(), "didFinish"); }), nullptr)
      << "a finished task refuses further answers";
}

}  // namespace
}  // namespace vessimor::apple
