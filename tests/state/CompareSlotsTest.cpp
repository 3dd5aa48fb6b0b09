// SPDX-License-Identifier: GPL-3.0-or-later
#include "ChunkBuilder.h"
#include "PluginInstance.h"
#include "StateChunk.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace pomelu;
using namespace pomelu::test;

TEST(CompareSlots, EachPressStoresTheSideLeftAndLoadsTheOtherValuesAndOrder)
{
    const auto plug = makePlugin();
    const CompareSlots& slots = plug->compareSlots();
    plug->GetParam(kEqMid)->Set(4.5);
    const auto before = liveValues(*plug);
    plug->switchCompareSlot(); // A -> B, filling both slots: nothing changes
    EXPECT_EQ(slots.activeSlot(), 1);
    EXPECT_TRUE(slots.slotsCaptured());
    // The values travel to the host as normalised values and back: equal to rounding.
    const auto after = liveValues(*plug);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_NEAR(after[static_cast<std::size_t>(i)], before[static_cast<std::size_t>(i)], 1e-12)
            << "parameter " << i;
    EXPECT_EQ(plug->getModuleOrder(), dsp::defaultModuleOrder());
    EXPECT_TRUE(plug->rebuildRequested());

    plug->GetParam(kCompRatio)->Set(8.0);
    dsp::ModuleOrder reordered = dsp::defaultModuleOrder();
    std::swap(reordered[0], reordered[10]);
    plug->setModuleOrder(reordered, true);
    plug->switchCompareSlot(); // B -> A
    EXPECT_EQ(slots.activeSlot(), 0);
    EXPECT_EQ(plug->GetParam(kCompRatio)->Value(), 3.0);
    EXPECT_EQ(slots.compareValues()[1][kCompRatio], 8.0);
    EXPECT_EQ(plug->getModuleOrder(), dsp::defaultModuleOrder());
    EXPECT_EQ(plug->undoOrder(), dsp::defaultModuleOrder()) << "the switch leaves the undo order alone";
    plug->switchCompareSlot(); // A -> B
    EXPECT_EQ(plug->GetParam(kCompRatio)->Value(), 8.0);
    EXPECT_EQ(plug->getModuleOrder(), reordered);

    // A factory preset changes the live state only; leaving B stores it in slot B.
    const auto slotB = slots.compareValues()[1];
    ASSERT_TRUE(plug->RestorePreset(4)); // "Gentle"
    EXPECT_EQ(slots.compareValues()[1], slotB);
    EXPECT_EQ(slots.activeSlot(), 1);
    EXPECT_EQ(plug->getModuleOrder(), reordered);
    plug->switchCompareSlot();
    EXPECT_EQ(slots.compareValues()[1][kCompRatio], 1.7);
}

TEST(CompareSlots, AStateSavedOnBReopensOnBAndOnePressLoadsA)
{
    const auto source = makePlugin();
    source->GetParam(kReverbWet)->Set(10.0);
    source->switchCompareSlot();
    source->GetParam(kReverbWet)->Set(40.0);
    iplug::IByteChunk chunk;
    source->SerializeState(chunk);

    const auto reopened = makePlugin();
    ASSERT_EQ(reopened->UnserializeState(chunk, 0), 2186);
    EXPECT_EQ(reopened->compareSlots().activeSlot(), 1);
    EXPECT_EQ(reopened->GetParam(kReverbWet)->Value(), 40.0);
    reopened->switchCompareSlot();
    EXPECT_EQ(reopened->compareSlots().activeSlot(), 0);
    EXPECT_EQ(reopened->GetParam(kReverbWet)->Value(), 10.0);
}

TEST(CompareSlots, StoredValuesAreConstrainedWhenASwitchLoadsThem)
{
    const auto plug = makePlugin();
    // On B, both slots captured; slot A as stored, not constrained.
    ChunkBuilder b;
    b.u32(kStateMagicV4).u32(89).u32(1).u8(1);
    b.values(defaultsWith(89, {{kCompRatio, 25.0},        // above its range
                               {kDistortionStyle, 2.6},   // an enum between steps
                               {kSClearFocus, 7205.0}})); // doubles are not stepped
    b.values(defaultsWith(89)).u32(11).order(kIdentity).order(kIdentity);
    b.order(kIdentity).values(defaultsWith(89));
    ASSERT_EQ(plug->UnserializeState(b.chunk, 0), 2186);
    EXPECT_EQ(plug->compareSlots().compareValues()[0][kCompRatio], 25.0);
    plug->switchCompareSlot();
    EXPECT_EQ(plug->GetParam(kCompRatio)->Value(), 20.0);
    EXPECT_EQ(plug->GetParam(kDistortionStyle)->Value(), 3.0);
    EXPECT_NEAR(plug->GetParam(kSClearFocus)->Value(), 7205.0, 1e-9);
}

TEST(CompareSlots, TheHostSeesOneSwitchAsOneGroupOfEditsWhereItOffersGroups)
{
    using Kind = host::ComponentHandler::Edit::Kind;
    for (bool offersGroups : {true, false})
    {
        host::PluginInstance host;
        host.componentHandler().offerGroupEdits = offersGroups;
        auto* plug = new PomeluRarorudIzad(iplug::InstanceInfo{});
        ASSERT_TRUE(host.adopt(static_cast<Steinberg::Vst::IAudioProcessor*>(plug))) << host.lastError();
        plug->switchCompareSlot();
        plug->RunIdleTick();

        std::vector<Kind> expected;
        if (offersGroups)
            expected.push_back(Kind::GroupStart);
        for (int i = 0; i < kNumParams; ++i)
            expected.insert(expected.end(), {Kind::Begin, Kind::Perform, Kind::End});
        if (offersGroups)
            expected.push_back(Kind::GroupFinish);
        std::vector<Kind> kinds;
        for (const auto& edit : host.componentHandler().edits())
            kinds.push_back(edit.kind);
        EXPECT_EQ(kinds, expected) << (offersGroups ? "with" : "without") << " group edits";
    }
}
