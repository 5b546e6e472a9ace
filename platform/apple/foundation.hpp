#pragma once

// The states of the Foundation stand-ins, for the other stand-in files (internal).

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "platform/apple/stand_in.hpp"

namespace vessimor::apple {

struct StringState : ObjectState {
  std::string describe() const override;
  std::string text;
};

struct NumberState : ObjectState {
  enum class Kind { boolean, integer, real };
  std::string describe() const override;
  void set(Kind new_kind, double value) {
    kind = new_kind;
    real = value;
  }
  Kind kind = Kind::integer;
  double real = 0;
};

struct ArrayState : ObjectState {
  std::vector<Strong> items;
};

struct DictionaryState : ObjectState {
  std::vector<std::pair<Strong, Strong>> entries;  // in insertion order
};

struct DataState : ObjectState {
  std::string bytes;
};

struct UrlState : ObjectState {
  std::string describe() const override { return "<" + text + ">"; }
  std::string text;
};

struct RequestState : ObjectState {
  Strong url;
  std::string method = "GET";
  std::vector<std::pair<std::string, std::string>> headers;
  Strong body;
  Strong body_stream;
};

struct ResponseState : ObjectState {
  Strong url;
  long status = 0;
  std::string version;
  Strong headers;
};

struct UuidState : ObjectState {
  std::string describe() const override;
  std::array<unsigned char, 16> bytes{};
};

struct ExceptionState : ObjectState {
  std::string name;
  std::string reason;
};

struct NotificationState : ObjectState {
  id object = nullptr;  // not retained
};

struct StreamState : ObjectState {
  std::string bytes;
  std::size_t position = 0;
  std::size_t chunk = 64;
  bool open = false;
};

// "name: reason" of an exception object.
std::string exception_text(id exception);

}  // namespace vessimor::apple
