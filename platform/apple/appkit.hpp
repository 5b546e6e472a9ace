#pragma once

// The states of the AppKit stand-ins, for the other stand-in files (internal).

#include <array>
#include <vector>

#include "platform/apple/stand_in.hpp"

namespace vessimor::apple {

struct ViewState : ObjectState {
  NSRect frame;
  bool flipped = false;
  id superview = nullptr;  // not retained
  std::vector<Strong> subviews;
  id window = nullptr;  // set on a window's content view (and title bar), not retained
  NSUInteger autoresizing_mask = 0;
  bool hidden = false;
};

struct WindowState : ObjectState {
  NSRect frame;
  double backing_scale = 2.0;
  Strong content_view;
  long titlebar_separator_style = 0;
  id delegate = nullptr;  // not retained
  id first_responder = nullptr;
  bool released_when_closed = true;
  Strong titlebar_container;    // holds the title bar, which holds the buttons
  std::array<id, 3> buttons{};  // close, minimise, zoom
};

// The window a view is in, through its superviews; null when none.
id window_of(id view);

}  // namespace vessimor::apple
