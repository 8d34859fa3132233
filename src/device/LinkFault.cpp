#include "device/LinkFault.h"

LinkFault LinkFaultOf(TMop::Failure failure, uint8_t error) {
    switch (failure) {
    case TMop::Failure::PortClosed:
    case TMop::Failure::PortLost:
    case TMop::Failure::WriteFailed:
        return LinkFault::PortLost;
    case TMop::Failure::Timeout:
        // Answers came, but none answered the request.
        return error == TMop::ErrorBadResponse ? LinkFault::WrongAnswer : LinkFault::NoAnswer;
    case TMop::Failure::None:
    case TMop::Failure::OverLong:
        return LinkFault::WrongAnswer;
    case TMop::Failure::Gap:
    case TMop::Failure::BadRequest:
    case TMop::Failure::Terminated:
        break;
    }
    return LinkFault::NoAnswer;
}

const char* LinkFaultTextId(LinkFault fault) {
    switch (fault) {
    case LinkFault::WrongAnswer:
        return "$T30083";
    case LinkFault::PortLost:
        return "$T30084";
    case LinkFault::NoAnswer:
        break;
    }
    return "$T30082";
}

const char* LinkFaultLogText(LinkFault fault) {
    switch (fault) {
    case LinkFault::WrongAnswer:
        return "wrong answer from the device";
    case LinkFault::PortLost:
        return "connection to the device lost";
    case LinkFault::NoAnswer:
        break;
    }
    return "no answer from the device";
}
