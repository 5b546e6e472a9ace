// The CLAP module's one exported symbol. Constant-initialised: loading the library runs no code.
#include "plugin/vessimor.hpp"
#include "wrapper/clap/entry.hpp"

extern "C" __attribute__((visibility("default"))) constinit const clap_plugin_entry clap_entry =
    vessimor::clap::make_entry<vessimor::Vessimor>();
