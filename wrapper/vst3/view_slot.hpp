// The plug-in view that the host has attached, as the instance reaches it from main-thread tasks.
// Attaching and removing hold the slot for writing while the editor opens or closes, which may
// take long (a web view loads): only the main thread ever takes the lock, and never waits for it
// from a task. Every other thread reads whether a view is open from a flag.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <utility>

namespace vessimor::vst3 {

// What the instance asks of an attached view.
class OpenView {
 public:
  virtual ~OpenView() = default;
  // Asks the host to give the view the editor's size; true when the host agreed. Thread: main
  virtual bool request_resize() = 0;
};

class ViewSlot {
 public:
  // Registers the view that `open()` returns (null: none), holding the slot for writing while
  // `open` runs, and lets go of a view registered before. Thread: main
  template <class Open>
  bool attach(Open&& open) {
    std::shared_ptr<OpenView> previous;
    {
      std::unique_lock lock(mutex_);
      std::shared_ptr<OpenView> view = std::forward<Open>(open)();
      previous = std::exchange(view_, std::move(view));
      open_.store(view_ != nullptr, std::memory_order_release);
    }
    return view_open();
  }

  // Unregisters the view, holding the slot for writing while `close()` runs; the view is let go
  // of outside the lock. Thread: main
  template <class Close>
  void remove(Close&& close) {
    std::shared_ptr<OpenView> previous;
    {
      std::unique_lock lock(mutex_);
      previous = std::move(view_);
      open_.store(false, std::memory_order_release);
      std::forward<Close>(close)();
    }
  }

  // Never waits. Thread: any (the audio thread included)
  bool view_open() const noexcept { return open_.load(std::memory_order_acquire); }

  // Asks the open view for a resize. Gives up (false) instead of waiting when the slot is being
  // attached or removed, which is also the case when the editor asks while it opens. The host is
  // called outside the lock, so that it may call back into the view. Thread: main
  bool request_resize() {
    std::shared_ptr<OpenView> view;
    {
      std::shared_lock lock(mutex_, std::try_to_lock);
      if (!lock.owns_lock()) return false;
      view = view_;
    }
    return view != nullptr && view->request_resize();
  }

 private:
  std::shared_mutex mutex_;
  std::shared_ptr<OpenView> view_;
  std::atomic<bool> open_{false};
};

}  // namespace vessimor::vst3
