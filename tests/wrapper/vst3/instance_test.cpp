// Creating an instance, its seven faces, reference counting and the state instances share.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <utility>

#include "plugin/vessimor.hpp"
#include "wrapper/vst3/factory.hpp"

namespace vessimor::vst3 {
namespace {

using VessimorWrapper = Wrapper<Vessimor>;

const abi::Iid CLASS_ID = [] {
  abi::Iid id{};
  std::memcpy(id.bytes.data(), "QuoVessimorUnit", 16);
  return id;
}();

// The interfaces the instance offers, each with the face that answers it.
const std::array<std::pair<abi::Iid, VessimorWrapper::Face>, 9> OFFERED = {{
    {abi::FUnknown::iid, VessimorWrapper::COMPONENT},
    {abi::IPluginBase::iid, VessimorWrapper::COMPONENT},
    {abi::IComponent::iid, VessimorWrapper::COMPONENT},
    {abi::IEditController::iid, VessimorWrapper::EDIT_CONTROLLER},
    {abi::IAudioProcessor::iid, VessimorWrapper::AUDIO_PROCESSOR},
    {abi::IMidiMapping::iid, VessimorWrapper::MIDI_MAPPING},
    {abi::INoteExpressionController::iid, VessimorWrapper::NOTE_EXPRESSION_CONTROLLER},
    {abi::IProcessContextRequirements::iid, VessimorWrapper::PROCESS_CONTEXT_REQUIREMENTS},
    {abi::IUnitInfo::iid, VessimorWrapper::UNIT_INFO},
}};

// Interfaces hosts ask for that the instance does not offer.
const std::array<abi::Iid, 7> REFUSED = {abi::IPlugView::iid,
                                         abi::IConnectionPoint_iid,
                                         abi::IMidiLearn_iid,
                                         abi::IKeyswitchController_iid,
                                         abi::INoteExpressionPhysicalUIMapping_iid,
                                         abi::IPluginFactory::iid,
                                         abi::IBStream::iid};

class Vst3Instance : public ::testing::Test {
 protected:
  ~Vst3Instance() override { abi::unknown_of(factory_).release(factory_); }

  abi::tresult create(const char* cid, const char* iid, void** obj) {
    return factory_->vtbl->createInstance(factory_, cid, iid, obj);
  }
  void* create(const abi::Iid& iid) {
    void* face = nullptr;
    EXPECT_EQ(create(CLASS_ID.data(), iid.data(), &face), abi::kResultOk);
    return face;
  }
  static std::uint32_t release(void* face) {
    return abi::unknown_of(static_cast<abi::FUnknown*>(face)).release(face);
  }
  static abi::tresult query(void* face, const abi::Iid& iid, void** obj) {
    return abi::unknown_of(static_cast<abi::FUnknown*>(face)).queryInterface(face, iid.data(), obj);
  }
  static WrapperInner<Vessimor>& inner_of(void* component) {
    return owner_of<VessimorWrapper, VessimorWrapper::COMPONENT>(component).inner();
  }

  abi::IPluginFactory* factory_ = Factory<Vessimor>::create();
};

TEST_F(Vst3Instance, ComponentFromTheFactoryIsReleasedByItsOneReference) {
  void* component = create(abi::IComponent::iid);
  ASSERT_NE(component, nullptr);
  auto* base = static_cast<abi::IComponent*>(component);
  EXPECT_EQ(base->vtbl->base.initialize(component, nullptr), abi::kResultOk);
  EXPECT_EQ(base->vtbl->base.terminate(component), abi::kResultOk);
  EXPECT_EQ(release(component), 0u);
}

TEST_F(Vst3Instance, EveryFaceAnswersTheSameInterfacesWithTheSameFaces) {
  void* controller = create(abi::IEditController::iid);
  ASSERT_NE(controller, nullptr);
  void* component = nullptr;
  ASSERT_EQ(query(controller, abi::IComponent::iid, &component), abi::kResultOk);
  auto& wrapper = owner_of<VessimorWrapper, VessimorWrapper::COMPONENT>(component);
  EXPECT_EQ(controller, wrapper.face(VessimorWrapper::EDIT_CONTROLLER));

  std::uint32_t references = 2;
  for (const auto& [from_iid, from_face] : OFFERED) {
    void* face = wrapper.face(from_face);
    for (const auto& [iid, expected_face] : OFFERED) {
      void* answer = nullptr;
      ASSERT_EQ(query(face, iid, &answer), abi::kResultOk);
      EXPECT_EQ(answer, wrapper.face(expected_face));
      ++references;
    }
    for (const abi::Iid& iid : REFUSED) {
      void* answer = face;
      EXPECT_EQ(query(face, iid, &answer), abi::kNoInterface);
      EXPECT_EQ(answer, nullptr);
    }
  }
  // One count serves all faces.
  for (const auto& [iid, face] : OFFERED) {
    for (std::size_t i = 0; i < OFFERED.size(); ++i)
      EXPECT_EQ(release(wrapper.face(face)), --references);
  }
  EXPECT_EQ(release(component), 1u);
  EXPECT_EQ(release(controller), 0u);
}

TEST_F(Vst3Instance, RefusedRequestsBuildNothing) {
  void* face = reinterpret_cast<void*>(1);
  EXPECT_EQ(create(CLASS_ID.data(), abi::IPlugView::iid.data(), &face), abi::kInvalidArgument);
  EXPECT_EQ(face, nullptr);
  abi::Iid other = CLASS_ID;
  other.bytes[15] = 1;
  face = reinterpret_cast<void*>(1);
  EXPECT_EQ(create(other.data(), abi::IComponent::iid.data(), &face), abi::kInvalidArgument);
  EXPECT_EQ(face, nullptr);
  EXPECT_EQ(create(nullptr, abi::IComponent::iid.data(), &face), abi::kInvalidArgument);
  EXPECT_EQ(create(CLASS_ID.data(), nullptr, &face), abi::kInvalidArgument);
  EXPECT_EQ(create(CLASS_ID.data(), abi::IComponent::iid.data(), nullptr), abi::kInvalidArgument);
}

TEST_F(Vst3Instance, UnitsFollowTheParameterGroupsAndNoProgramsExist) {
  void* component = create(abi::IComponent::iid);
  void* units_face = nullptr;
  ASSERT_EQ(query(component, abi::IUnitInfo::iid, &units_face), abi::kResultOk);
  auto* units = static_cast<abi::IUnitInfo*>(units_face);
  // Vessimor's parameters have no groups: every one is in the root unit.
  EXPECT_EQ(units->vtbl->getUnitCount(units), 0);
  abi::UnitInfo info{};
  EXPECT_EQ(units->vtbl->getUnitInfo(units, 0, &info), abi::kInvalidArgument);
  EXPECT_EQ(units->vtbl->getUnitInfo(units, -1, &info), abi::kInvalidArgument);
  EXPECT_EQ(units->vtbl->getProgramListCount(units), 0);
  EXPECT_EQ(units->vtbl->getSelectedUnit(units), abi::kRootUnitId);
  EXPECT_EQ(units->vtbl->selectUnit(units, 0), abi::kResultFalse);
  EXPECT_EQ(units->vtbl->setUnitProgramData(units, 0, 0, nullptr), abi::kInvalidArgument);
  const core::ParamTables& tables = inner_of(component).core().tables();
  ASSERT_EQ(tables.size(), 29u);
  for (const core::ParamTableEntry& entry : tables.entries()) {
    EXPECT_EQ(inner_of(component).param_units().get_vst3_unit_id(entry.hash), 0) << entry.id;
  }

  void* requirements = nullptr;
  ASSERT_EQ(query(units_face, abi::IProcessContextRequirements::iid, &requirements),
            abi::kResultOk);
  auto* context = static_cast<abi::IProcessContextRequirements*>(requirements);
  EXPECT_EQ(context->vtbl->getProcessContextRequirements(context), 0x4DCu);
  release(requirements);
  release(units_face);
  EXPECT_EQ(release(component), 0u);
}

TEST_F(Vst3Instance, InstancesShareTheBackgroundWorkerAndNothingElse) {
  void* first = create(abi::IComponent::iid);
  void* second = create(abi::IComponent::iid);
  WrapperInner<Vessimor>& a = inner_of(first);
  WrapperInner<Vessimor>& b = inner_of(second);
  ASSERT_NE(a.background_thread().worker(), nullptr);
  EXPECT_EQ(a.background_thread().worker(), b.background_thread().worker());
  EXPECT_NE(&a.event_loop(), &b.event_loop());
  EXPECT_NE(&a.core().tables(), &b.core().tables());
  EXPECT_NE(&a.core().params(), &b.core().params());
  EXPECT_NE(a.core().tables().entries().front().param, b.core().tables().entries().front().param);
  release(first);
  release(second);
}

}  // namespace
}  // namespace vessimor::vst3
