// The addresses the reader accepts for an application's direct connection.
#include "accessibility/atspi_address.h"

#include <gtest/gtest.h>

namespace {

struct AddressCase {
    const char* address;
    bool accepted;
};

class DirectConnectionAddress : public ::testing::TestWithParam<AddressCase> {};

TEST_P(DirectConnectionAddress, OnlyALocalSocketIsTaken) {
    EXPECT_EQ(accessibility::isDirectConnectionAddress(GetParam().address), GetParam().accepted)
        << GetParam().address;
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, DirectConnectionAddress,
    ::testing::Values(AddressCase{"unix:path=/run/user/1000/at-spi2-ABCDEF/socket", true},
                      AddressCase{"unix:abstract=/tmp/dbus-XyZ,guid=0123456789abcdef", true},
                      AddressCase{"unix:guid=0123,path=/tmp/socket", true},
                      AddressCase{"", false},
                      AddressCase{"unixexec:path=/bin/sh,argv1=-c", false},
                      AddressCase{"tcp:host=192.0.2.1,port=4000", false},
                      AddressCase{"unix:path=/tmp/socket;unixexec:path=/bin/sh", false},
                      AddressCase{"unix:tmpdir=/tmp", false},
                      AddressCase{"UNIX:path=/tmp/socket", false}));

}  // namespace
