// Which toolkits' bridges the reader asks with one GetAll per element.
#include "accessibility/atspi_toolkit.h"

#include <gtest/gtest.h>

namespace {

struct ToolkitCase {
    const char* toolkit;
    bool getAll;
};

class GetAllBridge : public ::testing::TestWithParam<ToolkitCase> {};

TEST_P(GetAllBridge, OnlyBridgesKnownToAnswerAreAskedSo) {
    EXPECT_EQ(accessibility::bridgeAnswersGetAll(GetParam().toolkit), GetParam().getAll) << GetParam().toolkit;
}

INSTANTIATE_TEST_SUITE_P(Toolkits, GetAllBridge,
                         ::testing::Values(ToolkitCase{"GTK", true}, ToolkitCase{"gtk", true},
                                           ToolkitCase{"Chromium", true}, ToolkitCase{"chromium", true},
                                           // Qt's bridge crashes on GetAll.
                                           ToolkitCase{"Qt", false}, ToolkitCase{"", false},
                                           ToolkitCase{"Chromium ", false}, ToolkitCase{"gtk4", false},
                                           ToolkitCase{"Gecko", false}));

}  // namespace
