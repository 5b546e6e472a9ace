#include "framework/background_thread.hpp"

namespace vessimor::detail {

WorkerHandleMap& HANDLE_MAP() {
  static WorkerHandleMap* const map = new WorkerHandleMap();
  return *map;
}

}  // namespace vessimor::detail
