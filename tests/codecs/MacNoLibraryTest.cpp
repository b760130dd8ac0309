// Built into a folder of its own, away from libMACDll.so, so that the library cannot load.
#include <gtest/gtest.h>

#include "codecs/ape/ACS_MAC.h"

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

} // namespace
} // namespace deraz
