// Lines of the host window's log: every call between the stand-in host and
// the plugin, in both directions, with its arguments and its answer.
//
//   host -> plugin: MsgOpenBoard(772701) net 772, contact 2, name "ola" = 0
//   plugin -> host: GetValue(config, ColBoardX) = 20
#ifndef ORVANE_CALL_LOG_H
#define ORVANE_CALL_LOG_H

#include "stand_in_host.h"

#include <cstdint>
#include <string>

// The name of an id of the host protocol ("MsgOpenBoard"), or null.
const char* MessageName(uint32_t id);

// A message the host handed the plugin and the plugin's answer. The record
// is read whole (a DrawRequest for the drawing ids) and the texts it points
// to must still be alive.
std::string DescribePluginCall(const PluginMessage& record, intptr_t result);

// One call of the plugin into the host, as StandInHost recorded it.
std::string DescribeHostCall(const HostCall& call);

#endif
