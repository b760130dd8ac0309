// Built into a folder of its own, away from libMACDll.so, so that the library cannot load.
#include <gtest/gtest.h>

#include "codecs/ape/ACS_MAC.h"
#include "driver/CodecSet.h"

namespace deraz {
namespace {

template <class Component> std::string CreationError() {
    try {
        Component Created;
    } catch (const EACSException& E) {
        return E.what();
    }
    return "created";
}

TEST(MACWithoutLibrary, ComponentsRefuseToBeCreated) {
    EXPECT_EQ(CreationError<TMACOut>(), "libMACDll.so library could not be loaded.");
    EXPECT_EQ(CreationError<TMACIn>(), "libMACDll.so library could not be loaded.");
}

TEST(MACWithoutLibrary, ACodecSetRefusesOrLeavesOnlyMonkeysAudioOut) {
    EXPECT_THROW(TCodecSet(), EACSException);

    TCodecSet Lenient(true);
    EXPECT_EQ(Lenient.SinkOf<TMACOut>(scMACOut), nullptr);
    const auto& Table = Lenient.Pipelines();
    using TRole = TPipelineTable::TRole;
    for (TRole Role : {TRole::Source, TRole::Sink}) {
        ASSERT_NE(Table.Unavailable(Role, ".APE"), nullptr);
        EXPECT_EQ(*Table.Unavailable(Role, ".ape"), "libMACDll.so library could not be loaded.");
        EXPECT_EQ(Table.Unavailable(Role, ".flac"), nullptr);
    }
    EXPECT_EQ(Table.FindSource(".ape"), nullptr);
    EXPECT_NE(Table.FindSource(".flac"), nullptr);
    EXPECT_NE(Table.FindSink(".wav"), nullptr);
}

} // namespace
} // namespace deraz
