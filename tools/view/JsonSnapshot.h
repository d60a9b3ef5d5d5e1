// A snapshot as one JSON object, for `--json`: one object a line, one line per refresh.
//
//   {"command":"demo","time":1.5,"frame":90,"connected":true,
//    "error":"","warning":"","hostError":"",
//    "node":{"ip":"127.0.0.1","port":3650,"multicast":false,"filter":"",
//            "bundles":"/path/build/release/bundles"},
//    "table":{"rows":18,"cols":5,"cells":[[{"kind":"empty","value":null},
//             {"kind":"text","value":"Deck A"},...],...]},
//    "channels":[0.81,0.73,...],   48 numbers, null where never written
//    "beat":{"deck1_beat_ramp":0.42,...,"deck4_loop_beats":0},   the OrvBeat node's channels
//    "onAir":{"deck":2,"nextDeck":1,"switches":1,"secondsSinceSwitch":3.1,"channels":{...}},
//    "events":[{"name":"deck1_track","count":1,"secondsSinceChange":null},...,
//              {"name":"Drop","count":2,"secondsSinceChange":0.4}],   the OrvEvents node's
//    "info":{"channels":{"connected":1,"datagrams":1234,...,"events":5},   the table node's
//            "rows":{"bound_address":"127.0.0.1",...,"version":"0.1.0+..."}}, Info CHOP and DAT
//    "notes":[...]}
#pragma once

#include "view/Snapshot.h"

#include <nlohmann/json.hpp>

#include <string>

namespace orvtool
{

nlohmann::json snapshotJson(const Snapshot& snapshot, const std::string& command);

// One line of JSON; texts that are not valid UTF-8 (they come from the network) have the
// bad bytes replaced instead of failing.
std::string jsonLine(const nlohmann::json& value);

} // namespace orvtool
