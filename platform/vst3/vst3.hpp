// Every VST3 declaration this project uses.
#pragma once

#include "platform/vst3/base.hpp"        // IWYU pragma: export
#include "platform/vst3/controller.hpp"  // IWYU pragma: export
#include "platform/vst3/processor.hpp"   // IWYU pragma: export
#include "platform/vst3/view.hpp"        // IWYU pragma: export
