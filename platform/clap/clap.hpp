// Everything of the CLAP C interface that the project uses.
#pragma once

#include "platform/clap/audio_ports.hpp"
#include "platform/clap/core.hpp"
#include "platform/clap/events.hpp"
#include "platform/clap/gui.hpp"
#include "platform/clap/misc.hpp"
#include "platform/clap/params.hpp"
#include "platform/clap/state.hpp"
