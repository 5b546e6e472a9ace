// Foundation stand-ins: strings, numbers, collections, data, URLs and requests, UUIDs, process
// info, threads, exceptions, JSON and input streams.

#include "platform/apple/foundation.hpp"

#include <fmt/format.h>

#include <array>
#include <nlohmann/json.hpp>
#include <random>

#include "platform/apple/sim.hpp"
#include "platform/apple/stand_in.hpp"
#include "platform/main_thread.hpp"

extern "C" void objc_exception_throw(vessimor::objc::id exception);

namespace vessimor::apple {

namespace {

constexpr NSUInteger utf8_encoding = 4;

bool valid_utf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t extra = lead < 0x80                    ? 0
                              : lead >= 0xC2 && lead <= 0xDF ? 1
                              : (lead & 0xF0) == 0xE0        ? 2
                              : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                             : 4;
    if (extra == 4 || i + extra >= text.size() + (extra == 0 ? 1 : 0)) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

std::size_t utf16_length(std::string_view text) {
  std::size_t units = 0;
  for (unsigned char c : text) {
    if ((c >> 6) != 2) units += (c >> 3) == 30 ? 2 : 1;
  }
  return units;
}

// --- NSString ---

id string_from_utf8(id self, const char* text) {
  if (text == nullptr) {
    objc::release(self);
    return nullptr;
  }
  state<StringState>(self).text = text;
  return self;
}
id string_from_bytes(id self, const void* bytes, NSUInteger length, NSUInteger encoding) {
  std::string text(static_cast<const char*>(bytes), length);
  if (encoding != utf8_encoding || !valid_utf8(text)) {
    objc::release(self);
    return nullptr;
  }
  state<StringState>(self).text = std::move(text);
  return self;
}
id string_from_data(id self, id data, NSUInteger encoding) {
  const std::string& bytes = state<DataState>(data).bytes;
  return string_from_bytes(self, bytes.data(), bytes.size(), encoding);
}
id string_with_utf8(id self, const char* text) {
  return objc::autorelease(string_from_utf8(alloc(reinterpret_cast<Class>(self)), text));
}
const char* string_utf8(id self) {
  return state<StringState>(self).text.c_str();
}
NSUInteger string_length(id self) {
  return utf16_length(state<StringState>(self).text);
}
NSUInteger string_byte_length(id self, NSUInteger encoding) {
  return encoding == utf8_encoding ? state<StringState>(self).text.size() : 0;
}
bool string_equal_to_string(id self, id other) {
  return other != nullptr && state<StringState>(self).text == string_text(other);
}
bool string_equal(id self, id other) {
  return other != nullptr && objc::is_kind_of(other, stand_in_class("NSString")) &&
         string_equal_to_string(self, other);
}
NSUInteger string_hash(id self) {
  return std::hash<std::string>{}(state<StringState>(self).text);
}

// --- NSNumber ---

id number_with_bool(id, bool value) {
  id number = make_autoreleased("NSNumber");
  state<NumberState>(number).set(NumberState::Kind::boolean, value ? 1 : 0);
  return number;
}
id number_with_integer(id, NSInteger value) {
  id number = make_autoreleased("NSNumber");
  state<NumberState>(number).set(NumberState::Kind::integer, static_cast<double>(value));
  return number;
}
id number_with_double(id, double value) {
  id number = make_autoreleased("NSNumber");
  state<NumberState>(number).set(NumberState::Kind::real, value);
  return number;
}
bool number_bool(id self) {
  return state<NumberState>(self).real != 0;
}
NSInteger number_integer(id self) {
  return static_cast<NSInteger>(state<NumberState>(self).real);
}
NSUInteger number_unsigned(id self) {
  return static_cast<NSUInteger>(state<NumberState>(self).real);
}
double number_double(id self) {
  return state<NumberState>(self).real;
}
bool number_equal(id self, id other) {
  return other != nullptr && objc::is_kind_of(other, stand_in_class("NSNumber")) &&
         state<NumberState>(self).real == state<NumberState>(other).real;
}

id null_value(id) {
  static id null = make("NSNull").leak();
  return null;
}

// --- Collections ---

bool values_equal(id a, id b) {
  return a == b || (a != nullptr && objc::send<bool(id)>(a, "isEqual:", b));
}

id array_new(id) {
  return make_autoreleased("NSMutableArray");
}
id array_with_object(id, id object) {
  id array = make_autoreleased("NSMutableArray");
  state<ArrayState>(array).items.push_back(Strong::retain(object));
  return array;
}
NSUInteger array_count(id self) {
  return state<ArrayState>(self).items.size();
}
id array_object_at(id self, NSUInteger index) {
  auto& items = state<ArrayState>(self).items;
  if (index >= items.size())
    raise("NSRangeException", fmt::format("index {} beyond bounds", index));
  return items[index].get();
}
void array_add(id self, id object) {
  if (object == nullptr) raise("NSInvalidArgumentException", "object cannot be nil");
  state<ArrayState>(self).items.push_back(Strong::retain(object));
}

id dictionary_new(id) {
  return make_autoreleased("NSMutableDictionary");
}
id dictionary_object_for_key(id self, id key) {
  for (auto& [k, v] : state<DictionaryState>(self).entries) {
    if (values_equal(k.get(), key)) return v.get();
  }
  return nullptr;
}
NSUInteger dictionary_count(id self) {
  return state<DictionaryState>(self).entries.size();
}
id dictionary_all_keys(id self) {
  id keys = make_autoreleased("NSMutableArray");
  for (auto& entry : state<DictionaryState>(self).entries) {
    state<ArrayState>(keys).items.push_back(entry.first);
  }
  return keys;
}
void dictionary_set(id self, id object, id key) {
  if (object == nullptr || key == nullptr) raise("NSInvalidArgumentException", "nil key or value");
  for (auto& [k, v] : state<DictionaryState>(self).entries) {
    if (values_equal(k.get(), key)) {
      v = Strong::retain(object);
      return;
    }
  }
  state<DictionaryState>(self).entries.emplace_back(Strong::retain(key), Strong::retain(object));
}

// --- NSData ---

id data_with_bytes(id, const void* bytes, NSUInteger length) {
  id data = make_autoreleased("NSData");
  state<DataState>(data).bytes.assign(static_cast<const char*>(bytes), length);
  return data;
}
id data_init_with_bytes(id self, const void* bytes, NSUInteger length) {
  state<DataState>(self).bytes.assign(static_cast<const char*>(bytes), length);
  return self;
}
const void* data_bytes(id self) {
  return state<DataState>(self).bytes.data();
}
NSUInteger data_length(id self) {
  return state<DataState>(self).bytes.size();
}

// --- NSURL and requests ---

id url_with_string(id, id text) {
  const std::string value = string_text(text);
  if (value.empty() || value.find_first_of(" \t\r\n\"<>") != std::string::npos) return nullptr;
  id url = make_autoreleased("NSURL");
  state<UrlState>(url).text = value;
  return url;
}
id file_url_with_path(id, id path, bool is_directory) {
  id url = make_autoreleased("NSURL");
  std::string text = "file://" + string_text(path);
  if (is_directory && !text.ends_with('/')) text += '/';
  state<UrlState>(url).text = std::move(text);
  return url;
}
id url_absolute_string(id self) {
  return objc::autorelease(ns_string(state<UrlState>(self).text).leak());
}
id url_path(id self) {
  const std::string& text = state<UrlState>(self).text;
  const std::string path = text.starts_with("file://") ? text.substr(7) : std::string();
  return objc::autorelease(ns_string(path).leak());
}

id request_with_url(id self, id url) {
  id request = objc::autorelease(objc::send<id()>(alloc(reinterpret_cast<Class>(self)), "init"));
  state<RequestState>(request).url = Strong::retain(url);
  return request;
}
id request_url(id self) {
  return state<RequestState>(self).url.get();
}
id request_method(id self) {
  return objc::autorelease(ns_string(state<RequestState>(self).method).leak());
}
id request_headers(id self) {
  auto& headers = state<RequestState>(self).headers;
  if (headers.empty()) return nullptr;
  id dictionary = make_autoreleased("NSMutableDictionary");
  for (auto& [name, value] : headers) {
    dictionary_set(dictionary, ns_string(value).get(), ns_string(name).get());
  }
  return dictionary;
}
id request_body(id self) {
  return state<RequestState>(self).body.get();
}
id request_body_stream(id self) {
  return state<RequestState>(self).body_stream.get();
}
void request_add_header(id self, id value, id field) {
  auto& headers = state<RequestState>(self).headers;
  const std::string name = string_text(field);
  for (auto& [n, v] : headers) {
    if (n == name) {
      v += "," + string_text(value);
      return;
    }
  }
  headers.emplace_back(name, string_text(value));
}
void request_set_method(id self, id method) {
  state<RequestState>(self).method = string_text(method);
}
void request_set_body(id self, id body) {
  state<RequestState>(self).body = Strong::retain(body);
}
void request_set_body_stream(id self, id stream) {
  state<RequestState>(self).body_stream = Strong::retain(stream);
}

id response_init(id self, id url, NSInteger status, id version, id headers) {
  auto& response = state<ResponseState>(self);
  response.url = Strong::retain(url);
  response.status = status;
  response.version = string_text(version);
  response.headers = Strong::retain(headers);
  return self;
}
NSInteger response_status(id self) {
  return state<ResponseState>(self).status;
}
id response_headers(id self) {
  return state<ResponseState>(self).headers.get();
}
id response_url(id self) {
  return state<ResponseState>(self).url.get();
}

// --- NSUUID ---

id uuid_new(id) {
  static std::mt19937_64 random{std::random_device{}()};
  id uuid = make_autoreleased("NSUUID");
  for (auto& byte : state<UuidState>(uuid).bytes) byte = static_cast<unsigned char>(random());
  return uuid;
}
id uuid_init_with_bytes(id self, const unsigned char* bytes) {
  std::copy(bytes, bytes + 16, state<UuidState>(self).bytes.begin());
  return self;
}
void uuid_get_bytes(id self, unsigned char* bytes) {
  std::copy(state<UuidState>(self).bytes.begin(), state<UuidState>(self).bytes.end(), bytes);
}
bool uuid_equal(id self, id other) {
  return other != nullptr && objc::is_kind_of(other, stand_in_class("NSUUID")) &&
         state<UuidState>(self).bytes == state<UuidState>(other).bytes;
}
id uuid_string(id self) {
  return objc::autorelease(ns_string(state<UuidState>(self).describe()).leak());
}

// --- NSProcessInfo, NSThread ---

id process_info(id) {
  static id info = make("NSProcessInfo").leak();
  return info;
}
objc::NSOperatingSystemVersion process_os_version(id) {
  return os_version();
}
bool thread_is_main(id) {
  return platform::is_main_thread();
}

// --- NSException, NSError, NSNotification ---

id exception_new(id, id name, id reason, id) {
  id exception = make_autoreleased("NSException");
  state<ExceptionState>(exception).name = string_text(name);
  state<ExceptionState>(exception).reason = string_text(reason);
  return exception;
}
id exception_name(id self) {
  return objc::autorelease(ns_string(state<ExceptionState>(self).name).leak());
}
id exception_reason(id self) {
  return objc::autorelease(ns_string(state<ExceptionState>(self).reason).leak());
}
id error_new(id, id domain, NSInteger code, id) {
  id error = make_autoreleased("NSError");
  state<ExceptionState>(error).name = string_text(domain);
  state<ExceptionState>(error).reason = fmt::format("{}", code);
  return error;
}
id notification_object(id self) {
  return state<NotificationState>(self).object;
}

// --- NSJSONSerialization ---

nlohmann::json to_json(id object) {
  if (object == nullptr || objc::is_kind_of(object, stand_in_class("NSNull"))) return nullptr;
  ObjectState& s = object_state(object);
  if (auto* string = dynamic_cast<StringState*>(&s)) return string->text;
  if (auto* number = dynamic_cast<NumberState*>(&s)) {
    if (number->kind == NumberState::Kind::boolean) return number->real != 0;
    if (number->kind == NumberState::Kind::integer) return static_cast<long>(number->real);
    return number->real;
  }
  if (auto* array = dynamic_cast<ArrayState*>(&s)) {
    nlohmann::json out = nlohmann::json::array();
    for (auto& item : array->items) out.push_back(to_json(item.get()));
    return out;
  }
  if (auto* dictionary = dynamic_cast<DictionaryState*>(&s)) {
    nlohmann::json out = nlohmann::json::object();
    for (auto& [k, v] : dictionary->entries) out[string_text(k.get())] = to_json(v.get());
    return out;
  }
  raise("NSInvalidArgumentException", "Invalid type in JSON write");
}
id json_data(id, id object, NSUInteger options, id* error) {
  if (error != nullptr) *error = nullptr;
  const bool fragments_allowed = (options & 4) != 0;
  const nlohmann::json value = to_json(object);
  if (!fragments_allowed && !value.is_object() && !value.is_array()) {
    raise("NSInvalidArgumentException", "Invalid top-level type in JSON write");
  }
  const std::string text = value.dump();
  return data_with_bytes(nullptr, text.data(), text.size());
}

// --- NSInputStream ---

id stream_with_data(id, id data) {
  id stream = make_autoreleased("NSInputStream");
  state<StreamState>(stream).bytes = state<DataState>(data).bytes;
  return stream;
}
void stream_open(id self) {
  state<StreamState>(self).open = true;
}
void stream_close(id self) {
  state<StreamState>(self).open = false;
}
bool stream_has_bytes(id self) {
  auto& stream = state<StreamState>(self);
  return stream.open && stream.position < stream.bytes.size();
}
NSInteger stream_read(id self, unsigned char* buffer, NSUInteger max_length) {
  auto& stream = state<StreamState>(self);
  if (!stream.open) return -1;
  const std::size_t n = std::min(
      {static_cast<std::size_t>(max_length), stream.chunk, stream.bytes.size() - stream.position});
  std::copy_n(stream.bytes.data() + stream.position, n, buffer);
  stream.position += n;
  return static_cast<NSInteger>(n);
}

}  // namespace

std::string StringState::describe() const {
  return fmt::format("\"{}\"", text);
}

std::string NumberState::describe() const {
  if (kind == Kind::boolean) return real != 0 ? "YES" : "NO";
  return fmt::format("{}", real);
}

std::string UuidState::describe() const {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    out += fmt::format("{:02X}", bytes[i]);
  }
  return out;
}

Strong ns_string(std::string_view text) {
  id string = alloc(stand_in_class("NSString"));
  state<StringState>(string).text.assign(text);
  return Strong::adopt(string);
}

std::string string_text(id string) {
  return string == nullptr ? std::string() : state<StringState>(string).text;
}

Strong ns_number(long value) {
  return Strong::retain(number_with_integer(nullptr, value));
}
Strong ns_double(double value) {
  return Strong::retain(number_with_double(nullptr, value));
}
Strong ns_bool(bool value) {
  return Strong::retain(number_with_bool(nullptr, value));
}
Strong ns_url(std::string_view text) {
  Strong url = make("NSURL");
  state<UrlState>(url.get()).text.assign(text);
  return url;
}
Strong ns_data(std::string_view bytes) {
  Strong data = make("NSData");
  state<DataState>(data.get()).bytes.assign(bytes);
  return data;
}
id ns_null() {
  return null_value(nullptr);
}

std::string exception_text(id exception) {
  if (exception == nullptr) return "nil";
  if (auto* e = dynamic_cast<ExceptionState*>(&object_state(exception))) {
    return e->name + ": " + e->reason;
  }
  return describe_object(exception);
}

void raise(const char* name, std::string reason) {
  id exception = make_autoreleased("NSException");
  state<ExceptionState>(exception).name = name;
  state<ExceptionState>(exception).reason = std::move(reason);
  objc_exception_throw(exception);
  __builtin_unreachable();
}

void define_foundation() {
  Class string = begin_class<StringState>("NSString", nullptr);
  class_method<&string_with_utf8>(string, "stringWithUTF8String:");
  method<&string_from_utf8>(string, "initWithUTF8String:");
  method<&string_from_bytes>(string, "initWithBytes:length:encoding:");
  method<&string_from_data>(string, "initWithData:encoding:");
  method<&string_utf8>(string, "UTF8String");
  method<&string_length>(string, "length");
  method<&string_byte_length>(string, "lengthOfBytesUsingEncoding:");
  method<&string_equal_to_string>(string, "isEqualToString:");
  quiet_method<&string_equal>(string, "isEqual:");
  quiet_method<&string_hash>(string, "hash");
  finish_class(string);

  Class number = begin_class<NumberState>("NSNumber", nullptr);
  class_method<&number_with_bool>(number, "numberWithBool:");
  class_method<&number_with_integer>(number, "numberWithInteger:");
  class_method<&number_with_double>(number, "numberWithDouble:");
  method<&number_bool>(number, "boolValue");
  method<&number_integer>(number, "integerValue");
  method<&number_unsigned>(number, "unsignedIntegerValue");
  method<&number_double>(number, "doubleValue");
  quiet_method<&number_equal>(number, "isEqual:");
  finish_class(number);

  Class null = begin_class<ObjectState>("NSNull", nullptr);
  class_method<&null_value>(null, "null");
  finish_class(null);

  Class array = begin_class<ArrayState>("NSArray", nullptr);
  class_method<&array_new>(array, "array");
  class_method<&array_with_object>(array, "arrayWithObject:");
  method<&array_count>(array, "count");
  method<&array_object_at>(array, "objectAtIndex:");
  finish_class(array);
  Class mutable_array = begin_class<ArrayState>("NSMutableArray", array);
  method<&array_add>(mutable_array, "addObject:");
  finish_class(mutable_array);

  Class dictionary = begin_class<DictionaryState>("NSDictionary", nullptr);
  class_method<&dictionary_new>(dictionary, "dictionary");
  method<&dictionary_object_for_key>(dictionary, "objectForKey:");
  method<&dictionary_count>(dictionary, "count");
  method<&dictionary_all_keys>(dictionary, "allKeys");
  finish_class(dictionary);
  Class mutable_dictionary = begin_class<DictionaryState>("NSMutableDictionary", dictionary);
  method<&dictionary_set>(mutable_dictionary, "setObject:forKey:");
  finish_class(mutable_dictionary);

  Class data = begin_class<DataState>("NSData", nullptr);
  class_method<&data_with_bytes>(data, "dataWithBytes:length:");
  method<&data_init_with_bytes>(data, "initWithBytes:length:");
  method<&data_bytes>(data, "bytes");
  method<&data_length>(data, "length");
  finish_class(data);

  Class url = begin_class<UrlState>("NSURL", nullptr);
  class_method<&url_with_string>(url, "URLWithString:");
  class_method<&file_url_with_path>(url, "fileURLWithPath:isDirectory:");
  method<&url_absolute_string>(url, "absoluteString");
  method<&url_path>(url, "path");
  finish_class(url);

  Class request = begin_class<RequestState>("NSURLRequest", nullptr);
  class_method<&request_with_url>(request, "requestWithURL:");
  method<&request_url>(request, "URL");
  method<&request_method>(request, "HTTPMethod");
  method<&request_headers>(request, "allHTTPHeaderFields");
  method<&request_body>(request, "HTTPBody");
  method<&request_body_stream>(request, "HTTPBodyStream");
  finish_class(request);
  Class mutable_request = begin_class<RequestState>("NSMutableURLRequest", request);
  method<&request_add_header>(mutable_request, "addValue:forHTTPHeaderField:");
  method<&request_set_method>(mutable_request, "setHTTPMethod:");
  method<&request_set_body>(mutable_request, "setHTTPBody:");
  method<&request_set_body_stream>(mutable_request, "setHTTPBodyStream:");
  finish_class(mutable_request);

  Class response = begin_class<ResponseState>("NSHTTPURLResponse", nullptr);
  method<&response_init>(response, "initWithURL:statusCode:HTTPVersion:headerFields:");
  method<&response_status>(response, "statusCode");
  method<&response_headers>(response, "allHeaderFields");
  method<&response_url>(response, "URL");
  finish_class(response);

  Class uuid = begin_class<UuidState>("NSUUID", nullptr);
  class_method<&uuid_new>(uuid, "UUID");
  method<&uuid_init_with_bytes>(uuid, "initWithUUIDBytes:");
  method<&uuid_get_bytes>(uuid, "getUUIDBytes:");
  method<&uuid_string>(uuid, "UUIDString");
  quiet_method<&uuid_equal>(uuid, "isEqual:");
  finish_class(uuid);

  Class info = begin_class<ObjectState>("NSProcessInfo", nullptr);
  class_method<&process_info>(info, "processInfo");
  method<&process_os_version>(info, "operatingSystemVersion");
  finish_class(info);

  Class thread = begin_class<ObjectState>("NSThread", nullptr);
  class_method<&thread_is_main>(thread, "isMainThread");
  finish_class(thread);

  Class exception = begin_class<ExceptionState>("NSException", nullptr);
  class_method<&exception_new>(exception, "exceptionWithName:reason:userInfo:");
  method<&exception_name>(exception, "name");
  method<&exception_reason>(exception, "reason");
  finish_class(exception);
  Class error = begin_class<ExceptionState>("NSError", nullptr);
  class_method<&error_new>(error, "errorWithDomain:code:userInfo:");
  finish_class(error);
  Class notification = begin_class<NotificationState>("NSNotification", nullptr);
  method<&notification_object>(notification, "object");
  finish_class(notification);

  Class json = begin_class<ObjectState>("NSJSONSerialization", nullptr);
  class_method<&json_data>(json, "dataWithJSONObject:options:error:");
  finish_class(json);

  Class stream = begin_class<StreamState>("NSInputStream", nullptr);
  class_method<&stream_with_data>(stream, "inputStreamWithData:");
  method<&stream_open>(stream, "open");
  method<&stream_close>(stream, "close");
  method<&stream_has_bytes>(stream, "hasBytesAvailable");
  method<&stream_read>(stream, "read:maxLength:");
  finish_class(stream);
}

namespace sim {

Strong string(std::string_view text) {
  return ns_string(text);
}
std::string text(id string) {
  return string_text(string);
}
Strong number(long value) {
  return ns_number(value);
}
Strong array(const std::vector<id>& items) {
  Strong out = make("NSMutableArray");
  for (id item : items) state<ArrayState>(out.get()).items.push_back(Strong::retain(item));
  return out;
}

void pick_main_thread() {
  platform::set_main_thread_to_caller(true);
}
void reset_main_thread() {
  platform::set_main_thread_to_caller(false);
}

}  // namespace sim
}  // namespace vessimor::apple
