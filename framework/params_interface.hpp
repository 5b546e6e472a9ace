#pragma once

#include <map>
#include <string>
#include <vector>

namespace vessimor {

// The handle through which wrappers, editor and state code reach one parameter
// (framework/params).
class ParamPtr;

// One entry of a parameter map: the parameter's string id, its handle and its group path ("" for
// the top level). Defined beside `ParamPtr`, whose value it holds.
struct ParamMapEntry;

// Ordered as the plug-in declares its parameters; hosts index parameters in this order.
using ParamMap = std::vector<ParamMapEntry>;

// Persistent non-parameter fields of a parameter set, ordered by key.
using PersistentFields = std::map<std::string, std::string>;

// A plug-in's parameter set. Shared by the plug-in, the wrappers and the editor; values are atomic
// cells, so every operation may run on any thread.
class Params {
 public:
  virtual ~Params() = default;

  // A fresh list on every call; the wrappers build their id and hash tables from it.
  // Thread: any
  virtual ParamMap param_map() const = 0;
  // Thread: any
  virtual PersistentFields serialize_fields() const = 0;
  // Thread: any
  virtual void deserialize_fields(const PersistentFields& fields) = 0;
};

}  // namespace vessimor
