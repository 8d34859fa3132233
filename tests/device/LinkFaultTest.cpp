// What a failed transfer step tells the user, from the protocol object's
// last exchange.
#include "device/LinkFault.h"

#include <gtest/gtest.h>

TEST(LinkFault, EveryEndOfAnExchangeHasItsReason) {
    struct Case {
        TMop::Failure failure;
        uint8_t error;
        LinkFault fault;
    };
    const Case cases[] = {
        {TMop::Failure::Timeout, TMop::ErrorNone, LinkFault::NoAnswer},
        {TMop::Failure::Gap, TMop::ErrorNone, LinkFault::NoAnswer},
        {TMop::Failure::Terminated, TMop::ErrorNone, LinkFault::NoAnswer},
        {TMop::Failure::BadRequest, TMop::ErrorNoWriteData, LinkFault::NoAnswer},
        // Only answers to something else came.
        {TMop::Failure::Timeout, TMop::ErrorBadResponse, LinkFault::WrongAnswer},
        {TMop::Failure::OverLong, TMop::ErrorOverLong, LinkFault::WrongAnswer},
        // The exchange went through; its answer failed the step.
        {TMop::Failure::None, TMop::ErrorNone, LinkFault::WrongAnswer},
        {TMop::Failure::PortLost, TMop::ErrorNone, LinkFault::PortLost},
        {TMop::Failure::PortClosed, TMop::ErrorNone, LinkFault::PortLost},
        {TMop::Failure::WriteFailed, TMop::ErrorNone, LinkFault::PortLost},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.failure));
        EXPECT_EQ(LinkFaultOf(c.failure, c.error), c.fault);
    }
}
