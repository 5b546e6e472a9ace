#include "platform/objc/runtime.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/objc/block.hpp"

extern "C" void objc_exception_throw(vessimor::objc::id exception);

namespace vessimor::objc {
namespace {

// A root class of the test's own, declared through the seam as a runtime would see any class:
// isa first, then a counter.
struct Counter {
  long value;
};

id root_alloc(id self, SEL) {
  return create_instance(reinterpret_cast<Class>(self));
}
long root_add(id self, SEL, long amount) {
  return ivar_ptr<Counter>(self, "counter")->value += amount;
}
NSRect root_frame(id, SEL, double scale) {
  return {{1 * scale, 2 * scale}, {3 * scale, 4 * scale}};
}
long child_add(id self, SEL, long amount) {
  return 100 + send_super<long(long)>(self, get_class("SeamTestRoot"), "add:", amount * 2);
}

Class declare_root() {
  static Class cls = [] {
    Class root = allocate_class(nullptr, "SeamTestRoot");
    EXPECT_NE(root, nullptr);
    EXPECT_TRUE(add_ivar<Class>(root, "isa"));
    EXPECT_TRUE(add_ivar<Counter>(root, "counter"));
    EXPECT_TRUE(add_class_method(root, "alloc", &root_alloc));
    EXPECT_TRUE(add_method(root, "add:", &root_add));
    EXPECT_TRUE(add_method(root, "frameScaledBy:", &root_frame));
    register_class(root);
    Class child = allocate_class(root, "SeamTestChild");
    add_method(child, "add:", &child_add);
    register_class(child);
    return root;
  }();
  return cls;
}

TEST(ObjcSeam, DeclaresClassesOnceWithInstanceVariablesAndMethods) {
  Class root = declare_root();
  EXPECT_EQ(get_class("SeamTestRoot"), root);
  EXPECT_EQ(allocate_class(nullptr, "SeamTestRoot"), nullptr) << "a registered name is taken";
  EXPECT_EQ(get_class("SeamTestNoSuchClass"), nullptr);
  EXPECT_STREQ(class_name(root), "SeamTestRoot");
  EXPECT_EQ(superclass_of(get_class("SeamTestChild")), root);
  EXPECT_TRUE(class_responds(root, sel("add:")));
  EXPECT_FALSE(class_responds(root, sel("subtract:")));

  id object = send<id()>(root, "alloc");
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(class_of(object), root);
  EXPECT_EQ(ivar_ptr<Counter>(object, "counter")->value, 0) << "instances start zeroed";
  EXPECT_EQ(ivar_ptr<Counter>(object, "missing"), nullptr);
  EXPECT_EQ(send<long(long)>(object, "add:", 5), 5);
  EXPECT_EQ(send<long(long)>(object, "add:", 2), 7);
  dispose_instance(object);
}

TEST(ObjcSeam, SendsReturnStructsAndFloatsAndReachTheSuperclass) {
  Class root = declare_root();
  id object = send<id()>(root, "alloc");
  EXPECT_EQ(send<NSRect(double)>(object, "frameScaledBy:", 0.5), (NSRect{{0.5, 1}, {1.5, 2}}));
  EXPECT_EQ(send<NSRect(double)>(static_cast<id>(nullptr), "frameScaledBy:", 1.0), NSRect{})
      << "a message to nil answers zero";
  dispose_instance(object);

  id child = send<id()>(get_class("SeamTestChild"), "alloc");
  EXPECT_EQ(send<long(long)>(child, "add:", 3), 106) << "the override adds, then asks super";
  EXPECT_EQ(ivar_ptr<Counter>(child, "counter")->value, 6);
  dispose_instance(child);
}

TEST(ObjcSeam, AdoptsOnlyProtocolsTheRuntimeKnows) {
  Class cls = allocate_class(declare_root(), "SeamTestUnknownProtocolAdopter");
  EXPECT_FALSE(adopt_protocol(cls, "SeamTestNoSuchProtocol"));
  EXPECT_EQ(get_protocol("SeamTestNoSuchProtocol"), nullptr);
  register_class(cls);
}

TEST(ObjcSeam, BlocksInvokeAndOutliveTheirMakerThroughCopies) {
  int destroyed = 0;
  struct Probe {
    explicit Probe(int* counter) : destroyed(counter) {}
    ~Probe() { ++*destroyed; }
    int* destroyed;
  };
  BlockRef copy = nullptr;
  {
    auto probe = std::make_shared<Probe>(&destroyed);
    Block<long(long, double)> block([probe](long a, double b) { return a + static_cast<long>(b); });
    probe.reset();
    EXPECT_EQ(invoke_block<long(long, double)>(block.get(), 40, 2.5), 42);
    copy = copy_block(block.get());
  }
  EXPECT_EQ(destroyed, 0) << "the heap copy keeps the function";
  EXPECT_EQ(invoke_block<long(long, double)>(copy, 1, 1.0), 2);
  release_block(copy);
  EXPECT_EQ(destroyed, 1);
}

TEST(ObjcSeam, CatchesObjectiveCExceptionsAndLetsCxxExceptionsPass) {
  id thrown = send<id()>(declare_root(), "alloc");
  int unwound = 0;
  struct Guard {
    int* unwound;
    ~Guard() { ++*unwound; }
  };
  EXPECT_EQ(catch_exception([&] {
              Guard guard{&unwound};
              objc_exception_throw(thrown);
            }),
            thrown);
  EXPECT_EQ(unwound, 1) << "C++ frames between the throw and the catch unwind";
  EXPECT_EQ(catch_exception([] {}), nullptr);
  EXPECT_THROW(catch_exception([] { throw std::runtime_error("c++"); }), std::runtime_error);
  dispose_instance(thrown);
}

}  // namespace
}  // namespace vessimor::objc
