// The process context both formats hand to the plug-in for one sub-block: only the transport.
#pragma once

#include "framework/context.hpp"
#include "framework/transport.hpp"

namespace vessimor::core {

class TransportContext final : public ProcessContext {
 public:
  explicit TransportContext(const Transport& transport) : transport_(transport) {}
  // Thread: audio
  const Transport& transport() const override { return transport_; }

 private:
  const Transport& transport_;
};

}  // namespace vessimor::core
