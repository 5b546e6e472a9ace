// Prints the script with which a web view replays a press or release of an extra mouse button,
// for the page test: mouse_script <mousedown|mouseup> <button> <x> <y>. The event has two
// clicks and the control key down.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "webview/synthetic_mouse_events.hpp"

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs("usage: mouse_script <mousedown|mouseup> <button> <x> <y>\n", stderr);
    return 2;
  }
  namespace events = vessimor::webview::synthetic_mouse_events;
  const std::string text = events::script({.event_name = argv[1],
                                           .button = static_cast<unsigned>(std::atoi(argv[2])),
                                           .buttons = 0,
                                           .x = static_cast<std::uint32_t>(std::atoi(argv[3])),
                                           .y = static_cast<std::uint32_t>(std::atoi(argv[4])),
                                           .detail = 2,
                                           .ctrl = true,
                                           .meta = false,
                                           .shift = false,
                                           .alt = false});
  std::fputs(text.c_str(), stdout);
  return 0;
}
