#pragma once

// The delegate objects every web view gets at creation: the page-message handler
// (QvWebViewDelegate), navigation, UI and download delegates. Their callbacks' behaviour is
// added where each is built; here they are declared and made with their data.

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "webview/attributes.hpp"
#include "webview/objc_class.hpp"

namespace vessimor::webview {

// Scripts evaluated before the first navigation commits; present (and empty) from creation,
// absent from the first commit on. Shared by the web view and its navigation delegate.
struct PendingScripts {
  std::mutex mutex;
  std::optional<std::vector<std::string>> scripts = std::vector<std::string>{};
};

struct IpcDelegateData {
  Strong controller;
  IpcHandler handler;
};

struct DownloadDelegateData {
  DownloadStartedHandler started;
  bool started_running = false;  // the started handler may not be entered again while it runs
  DownloadCompletedHandler completed;
};

struct NavigationDelegateData {
  id web_view = nullptr;  // not retained: the web view outlives its delegate
  std::shared_ptr<PendingScripts> pending_scripts;
  bool has_download_handler = false;
  NavigationHandler navigation_handler;
  Strong download_delegate;
  PageLoadHandler page_load_handler;
  std::function<void()> content_process_terminated_handler;
};

// A window opened for a page's new-window request, kept until it closes.
struct OpenedWindow {
  Strong window;
  Strong web_view;
  Strong window_delegate;
};

struct UiDelegateData {
  NewWindowHandler new_window_handler;
  std::shared_ptr<std::vector<OpenedWindow>> opened_windows =
      std::make_shared<std::vector<OpenedWindow>>();
};

// QvWebViewDelegate::new: registers itself as the controller's script message handler "ipc"
// (inside an Objective-C catch; an exception there is dropped). Thread: main
Strong make_ipc_delegate(id controller, IpcHandler handler);
// QvDownloadDelegate::new. Thread: main
Strong make_download_delegate(DownloadStartedHandler started, DownloadCompletedHandler completed);
// QvNavigationDelegate::new. Thread: main
Strong make_navigation_delegate(NavigationDelegateData data);
// QvWebViewUIDelegate::new. Thread: main
Strong make_ui_delegate(NewWindowHandler new_window_handler);

}  // namespace vessimor::webview
