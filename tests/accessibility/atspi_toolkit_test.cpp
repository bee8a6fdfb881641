// Which toolkits' bridges the reader asks with one GetAll per element and
// whose role names it learns by the role's number.
#include "accessibility/atspi_toolkit.h"

#include <gtest/gtest.h>

namespace {

struct ToolkitCase {
    const char* toolkit;
    bool getAll;
};

class AtkBridge : public ::testing::TestWithParam<ToolkitCase> {};

TEST_P(AtkBridge, OnlyBridgesKnownToBeBuiltOnAtk) {
    EXPECT_EQ(accessibility::bridgeIsBuiltOnAtk(GetParam().toolkit), GetParam().getAll) << GetParam().toolkit;
}

INSTANTIATE_TEST_SUITE_P(Toolkits, AtkBridge,
                         ::testing::Values(ToolkitCase{"GTK", true}, ToolkitCase{"gtk", true},
                                           ToolkitCase{"Chromium", true}, ToolkitCase{"chromium", true},
                                           // Qt's bridge crashes on GetAll.
                                           ToolkitCase{"Qt", false}, ToolkitCase{"", false},
                                           ToolkitCase{"Chromium ", false}, ToolkitCase{"gtk4", false},
                                           ToolkitCase{"Gecko", false}));

TEST(RoleNumbers, ThoseThatStandForManyRolesShareNothing) {
    struct Case {
        std::uint32_t role;
        bool shared;
    };
    // Invalid, label, push button, section, unknown, extended.
    for (const Case c : {Case{0, false}, Case{29, true}, Case{43, true}, Case{85, true}, Case{67, false},
                         Case{70, false}}) {
        EXPECT_EQ(accessibility::rolesShareTraits(c.role), c.shared) << c.role;
    }
}

}  // namespace
