#pragma once
// What ended a failed read or write on the link, as the transfer window and
// the log tell it: the device did not answer, it answered wrongly, or the
// connection to it was lost.

#include "link/Mop.h"

#include <cstdint>

enum class LinkFault { NoAnswer, WrongAnswer, PortLost };

// From the protocol object's last exchange once a transfer step failed:
// failure and error as TMop::LastFailure and TMop::Error give them. An
// exchange that succeeded (Failure::None) failed the step by its answer.
LinkFault LinkFaultOf(TMop::Failure failure, uint8_t error);

// The transfer window's line for the fault (a text id).
const char* LinkFaultTextId(LinkFault fault);
// The log's words for the fault ("no answer from the device" ...).
const char* LinkFaultLogText(LinkFault fault);
