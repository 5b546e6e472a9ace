// The stand-in NSObject, the class registry, the call log and the main run loop's pool and
// queue.

#include "platform/apple/stand_in.hpp"

#include <fmt/format.h>

#include <deque>
#include <mutex>

#include "platform/apple/foundation.hpp"
#include "platform/apple/sim.hpp"

extern "C" {
// Declared in protocols.m; referencing it keeps that module, which registers the protocols.
extern void* vessimor_apple_protocols[];
}

namespace vessimor::apple {

void define_foundation();
void define_appkit();
void define_webkit();

namespace {

std::mutex g_mutex;  // guards everything below
std::map<Class, StateFactory> g_factories;
std::map<std::string, long, std::less<>> g_live;
std::vector<sim::Call> g_calls;
std::vector<id> g_pool;
std::deque<std::function<void()>> g_main_loop;
std::shared_ptr<const std::function<void(const sim::Call&)>> g_call_hook;
std::ptrdiff_t g_state_offset = -1;
std::atomic<long> g_os_major{14}, g_os_minor{0}, g_os_patch{0};

thread_local bool t_loading = false;

ObjectState*& state_slot(id object) {
  return *reinterpret_cast<ObjectState**>(reinterpret_cast<char*>(object) + g_state_offset);
}

bool is_class_object(id object) {
  Class cls = reinterpret_cast<Class>(object);
  return objc::get_class(objc::class_name(objc::class_of(object))) == cls;
}

// --- NSObject ---

id object_alloc(id self) {
  return alloc(reinterpret_cast<Class>(self));
}
id object_new(id self) {
  return objc::send<id()>(alloc(reinterpret_cast<Class>(self)), "init");
}
id object_init(id self) {
  return self;
}
id object_retain(id self) {
  object_state(self).retain_count.fetch_add(1, std::memory_order_relaxed);
  return self;
}
void object_release(id self) {
  if (object_state(self).retain_count.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    objc::send<void()>(self, "dealloc");
  }
}
id object_autorelease(id self) {
  add_to_autorelease_pool(self);
  return self;
}
void object_dealloc(id self) {
  {
    std::lock_guard lock(g_mutex);
    --g_live[objc::class_name(objc::class_of(self))];
  }
  delete std::exchange(state_slot(self), nullptr);
  objc::dispose_instance(self);
}
unsigned long object_retain_count(id self) {
  return static_cast<unsigned long>(object_state(self).retain_count.load());
}
Class object_class(id self) {
  return objc::class_of(self);
}
Class object_superclass(id self) {
  return objc::superclass_of(objc::class_of(self));
}
bool object_is_kind_of(id self, Class cls) {
  for (Class c = objc::class_of(self); c != nullptr; c = objc::superclass_of(c)) {
    if (c == cls) return true;
  }
  return false;
}
bool object_is_member_of(id self, Class cls) {
  return objc::class_of(self) == cls;
}
bool object_responds(id self, SEL selector) {
  return objc::class_responds(objc::class_of(self), selector) && is_available(selector);
}
bool object_conforms(id self, objc::Protocol* protocol) {
  for (Class c = objc::class_of(self); c != nullptr; c = objc::superclass_of(c)) {
    if (objc::conforms_to(c, protocol)) return true;
  }
  return false;
}
bool object_is_equal(id self, id other) {
  return self == other;
}
unsigned long object_hash(id self) {
  return reinterpret_cast<unsigned long>(self);
}
id object_copy(id self) {
  return object_retain(self);
}
void object_set_value(id self, id value, id key) {
  object_state(self).values[string_text(key)] = Strong::retain(value);
}
id object_value(id self, id key) {
  auto& values = object_state(self).values;
  auto found = values.find(string_text(key));
  return found == values.end() ? nullptr : found->second.get();
}
void object_add_observer(id self, id observer, id key_path, NSUInteger options, void* context) {
  object_state(self).observations.push_back({observer, string_text(key_path), options, context});
}
void object_remove_observer(id self, id observer, id key_path) {
  auto& list = object_state(self).observations;
  const std::string path = string_text(key_path);
  for (auto it = list.begin(); it != list.end(); ++it) {
    if (it->observer == observer && it->key_path == path) {
      list.erase(it);
      return;
    }
  }
  raise("NSRangeException", "Cannot remove an observer for the key path \"" + path +
                                "\" because it is not registered as an observer.");
}

// Class objects are never counted or freed.
id class_retain(id self) {
  return self;
}
void class_release(id) {}
id class_self(id self) {
  return self;
}
bool class_responds(id self, SEL selector) {
  return objc::class_responds(objc::class_of(self), selector) && is_available(selector);
}
bool class_instances_respond(id self, SEL selector) {
  return objc::class_responds(reinterpret_cast<Class>(self), selector) && is_available(selector);
}

void define_object() {
  Class cls = objc::allocate_class(nullptr, "NSObject");
  objc::add_ivar<Class>(cls, "isa");
  objc::add_ivar<ObjectState*>(cls, "_state");
  {
    std::lock_guard lock(g_mutex);
    g_factories[cls] = []() -> ObjectState* { return new ObjectState(); };
  }
  objc::adopt_protocol(cls, "NSObject");
  class_method<&object_alloc>(cls, "alloc");
  class_method<&object_new>(cls, "new");
  quiet_class_method<&class_retain>(cls, "retain");
  quiet_class_method<&class_release>(cls, "release");
  quiet_class_method<&class_retain>(cls, "autorelease");
  quiet_class_method<&class_self>(cls, "class");
  class_method<&class_responds>(cls, "respondsToSelector:");
  quiet_class_method<&class_instances_respond>(cls, "instancesRespondToSelector:");
  method<&object_init>(cls, "init");
  quiet_method<&object_retain>(cls, "retain");
  quiet_method<&object_release>(cls, "release");
  quiet_method<&object_autorelease>(cls, "autorelease");
  quiet_method<&object_dealloc>(cls, "dealloc");
  quiet_method<&object_retain_count>(cls, "retainCount");
  quiet_method<&object_class>(cls, "class");
  quiet_method<&object_superclass>(cls, "superclass");
  quiet_method<&object_is_kind_of>(cls, "isKindOfClass:");
  quiet_method<&object_is_member_of>(cls, "isMemberOfClass:");
  method<&object_responds>(cls, "respondsToSelector:");
  quiet_method<&object_conforms>(cls, "conformsToProtocol:");
  quiet_method<&object_is_equal>(cls, "isEqual:");
  quiet_method<&object_hash>(cls, "hash");
  quiet_method<&object_copy>(cls, "copy");
  method<&object_set_value>(cls, "setValue:forKey:");
  method<&object_value>(cls, "valueForKey:");
  method<&object_add_observer>(cls, "addObserver:forKeyPath:options:context:");
  method<&object_remove_observer>(cls, "removeObserver:forKeyPath:");
  objc::register_class(cls);
  g_state_offset = *objc::ivar_offset(cls, "_state");
}

const std::map<std::string, long, std::less<>>& availability() {
  static const std::map<std::string, long, std::less<>> table{
      {"activate", 14},
      {"dataStoreForIdentifier:", 14},
      {"setTitlebarSeparatorStyle:", 11},
      {"shouldPerformDownload", 11},
  };
  return table;
}

}  // namespace

bool loading_stand_ins() {
  return t_loading;
}

void load_stand_ins() {
  static std::once_flag once;
  std::call_once(once, [] {
    t_loading = true;
    (void)vessimor_apple_protocols;
    define_object();
    define_foundation();
    define_appkit();
    define_webkit();
    t_loading = false;
  });
}

ObjectState& object_state(id object) {
  ObjectState* state = object == nullptr ? nullptr : state_slot(object);
  if (state == nullptr) raise("NSInvalidArgumentException", "not a live stand-in object");
  return *state;
}

Class begin_class(const char* name, Class superclass, StateFactory factory) {
  Class cls =
      objc::allocate_class(superclass != nullptr ? superclass : stand_in_class("NSObject"), name);
  if (factory != nullptr) {
    std::lock_guard lock(g_mutex);
    g_factories[cls] = factory;
  }
  return cls;
}

void finish_class(Class cls) {
  objc::register_class(cls);
}

Class stand_in_class(const char* name) {
  Class cls = objc::get_class(name);
  if (cls == nullptr) raise("NSInvalidArgumentException", std::string("no class ") + name);
  return cls;
}

id alloc(Class cls) {
  StateFactory factory = nullptr;
  {
    std::lock_guard lock(g_mutex);
    for (Class c = cls; c != nullptr && factory == nullptr; c = objc::superclass_of(c)) {
      auto found = g_factories.find(c);
      if (found != g_factories.end()) factory = found->second;
    }
    ++g_live[objc::class_name(cls)];
  }
  id object = objc::create_instance(cls);
  state_slot(object) = factory();
  return object;
}

id make_autoreleased(const char* class_name) {
  return objc::autorelease(make(class_name).leak());
}

Strong make(const char* class_name) {
  return Strong::adopt(alloc(stand_in_class(class_name)));
}

void notify_observers(id object, std::string_view key_path, id new_value) {
  std::vector<Observation> observers;
  for (const Observation& o : object_state(object).observations) {
    if (o.key_path == key_path) observers.push_back(o);
  }
  for (const Observation& o : observers) {
    Strong change = make("NSMutableDictionary");
    state<DictionaryState>(change.get())
        .entries.emplace_back(ns_string("new"),
                              Strong::retain(new_value != nullptr ? new_value : ns_null()));
    objc::send<void(id, id, id, void*)>(
        o.observer, "observeValueForKeyPath:ofObject:change:context:", ns_string(key_path).get(),
        object, change.get(), o.context);
  }
}

void add_to_autorelease_pool(id object) {
  std::lock_guard lock(g_mutex);
  g_pool.push_back(object);
}

void drain_autorelease_pool() {
  for (;;) {
    std::vector<id> pool;
    {
      std::lock_guard lock(g_mutex);
      pool.swap(g_pool);
    }
    if (pool.empty()) return;
    for (id object : pool) objc::release(object);
  }
}

void post_to_main_loop(std::function<void()> work) {
  std::lock_guard lock(g_mutex);
  g_main_loop.push_back(std::move(work));
}

objc::NSOperatingSystemVersion os_version() {
  return {g_os_major.load(), g_os_minor.load(), g_os_patch.load()};
}

bool is_available(SEL selector) {
  auto found = availability().find(std::string_view(objc::sel_name(selector)));
  return found == availability().end() || g_os_major.load() >= found->second;
}

void check_available(id receiver, SEL selector) {
  if (!is_available(selector)) {
    raise("NSInvalidArgumentException",
          fmt::format("-[{} {}]: unrecognized selector sent to instance",
                      objc::class_name(objc::class_of(receiver)), objc::sel_name(selector)));
  }
}

// --- The call log ---

void record(id receiver, bool class_method, SEL selector, std::vector<std::string> arguments) {
  sim::Call call{receiver,
                 class_method ? objc::class_name(reinterpret_cast<Class>(receiver))
                              : objc::class_name(objc::class_of(receiver)),
                 class_method, objc::sel_name(selector), std::move(arguments)};
  std::shared_ptr<const std::function<void(const sim::Call&)>> hook;
  {
    std::lock_guard lock(g_mutex);
    g_calls.push_back(call);
    hook = g_call_hook;
  }
  if (hook) (*hook)(call);
}

std::string describe_object(id object) {
  if (object == nullptr) return "nil";
  if (is_class_object(object)) return objc::class_name(reinterpret_cast<Class>(object));
  std::string text = object_state(object).describe();
  return text.empty() ? objc::class_name(objc::class_of(object)) : text;
}
std::string describe(Class cls) {
  return cls == nullptr ? "nil" : objc::class_name(cls);
}
std::string describe(SEL selector) {
  return objc::sel_name(selector);
}
std::string describe(bool value) {
  return value ? "YES" : "NO";
}
std::string describe(long value) {
  return fmt::format("{}", value);
}
std::string describe(unsigned long value) {
  return fmt::format("{}", value);
}
std::string describe(double value) {
  return fmt::format("{}", value);
}
std::string describe(NSPoint value) {
  return fmt::format("{{{}, {}}}", value.x, value.y);
}
std::string describe(NSSize value) {
  return fmt::format("{{{}, {}}}", value.width, value.height);
}
std::string describe(NSRect value) {
  return fmt::format("{{{}, {}}}", describe(value.origin), describe(value.size));
}
std::string describe(BlockRef block) {
  return block == nullptr ? "nil" : "<block>";
}
std::string describe(const char* text) {
  return text == nullptr ? "NULL" : fmt::format("\"{}\"", text);
}
std::string describe(const void* pointer) {
  return pointer == nullptr ? "NULL" : "<pointer>";
}

namespace sim {

std::string Call::text() const {
  std::string out = receiver_class + (class_method ? " +" : " ") + selector;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    out += (i == 0 ? " " : ", ") + arguments[i];
  }
  return out;
}

std::vector<Call> calls() {
  std::lock_guard lock(g_mutex);
  return g_calls;
}

void clear_calls() {
  std::lock_guard lock(g_mutex);
  g_calls.clear();
}

void on_call(std::function<void(const Call&)> hook) {
  std::lock_guard lock(g_mutex);
  g_call_hook =
      hook ? std::make_shared<const std::function<void(const Call&)>>(std::move(hook)) : nullptr;
}

std::vector<std::string> call_texts(id receiver) {
  std::vector<std::string> texts;
  for (const Call& call : calls()) {
    if (receiver == nullptr || call.receiver == receiver) texts.push_back(call.text());
  }
  return texts;
}

std::vector<std::string> selectors_sent_to(id receiver) {
  std::vector<std::string> selectors;
  for (const Call& call : calls()) {
    if (call.receiver == receiver) selectors.push_back(call.selector);
  }
  return selectors;
}

void set_os_version(long major, long minor, long patch) {
  g_os_major = major;
  g_os_minor = minor;
  g_os_patch = patch;
}

void run_main_loop() {
  for (;;) {
    std::function<void()> work;
    {
      std::lock_guard lock(g_mutex);
      if (g_main_loop.empty()) break;
      work = std::move(g_main_loop.front());
      g_main_loop.pop_front();
    }
    work();
  }
  apple::drain_autorelease_pool();
}

void drain_autorelease_pool() {
  apple::drain_autorelease_pool();
}

long live_objects(const char* class_name) {
  load_stand_ins();
  std::lock_guard lock(g_mutex);
  auto found = g_live.find(std::string_view(class_name));
  return found == g_live.end() ? 0 : found->second;
}

long retain_count(id object) {
  return object_state(object).retain_count.load();
}

std::optional<std::string> value_for_key(id object, std::string_view key) {
  auto& values = object_state(object).values;
  auto found = values.find(key);
  if (found == values.end()) return std::nullopt;
  return describe_object(found->second.get());
}

}  // namespace sim
}  // namespace vessimor::apple
