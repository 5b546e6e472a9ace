#pragma once

#include <string>
#include <string_view>

// The JavaScript statements the plug-in evaluates in the editor page. Each one first tests that
// the page function exists, so a page that lacks it (or has not loaded yet) ignores the call.
namespace vessimor::page_calls {

// A float as a JavaScript number: shortest round-trip digits, never exponent form (1, 120, 0.3),
// NaN as NaN and infinities as Infinity and -Infinity (anything else would not be JavaScript, and
// the page would throw and lose the whole call).
// Thread: any
std::string number(float value);

// The custom-message payload inside a single-quoted JavaScript string: backslash, single quote,
// line feed and carriage return get a backslash (in that order, so the added backslashes are not
// doubled). Nothing else changes.
// Thread: any
std::string quote_payload(std::string_view payload);

// The preset name inside a single-quoted JavaScript string: backslash and single quote, then the
// line terminators (line feed, carriage return, U+2028, U+2029) as escapes.
// Thread: any
std::string quote_preset_name(std::string_view name);

// if (window._updateParam) window._updateParam('<id>', <value>);   (the id is inserted unchanged)
// Thread: any
std::string update_param(std::string_view param_id, float normalized_value);

// if (window._updateTransport) window._updateTransport(<tempo>, true|false);
// Thread: any
std::string update_transport(float tempo, bool playing);

// if (window._handleCustomMessage) window._handleCustomMessage('<action>', '<quoted payload>');
// The action is inserted unchanged; the payload goes through quote_payload.
// Thread: any
std::string handle_custom_message(std::string_view action, std::string_view payload);

// if (window._ipcReady) window._ipcReady();
// Thread: any
std::string ipc_ready();

// if (window._setCurrentPresetName) window._setCurrentPresetName('<quoted name>');
// Thread: any
std::string set_current_preset_name(std::string_view name);

}  // namespace vessimor::page_calls
