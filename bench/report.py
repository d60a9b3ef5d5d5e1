#!/usr/bin/env python3
"""Turns the benchmark outputs of one bench/run into the figures table, printed and written
to docs/performance.md with the machine and the date.

    report.py RESULTS_DIR OUTPUT_MD
    report.py --profiles-table BEAT_JSON
    report.py --sweep-table SWEEP_JSON_LINES

RESULTS_DIR holds decode.json, decode_heap.json, cook.json, receive.json (Google Benchmark
JSON), python.json (bench/python_peer.py), beat.json (orv_bench_beat_phase), sweep.json
(orv_bench_beat_sweep: a JSON object per line, one per seed) and machine.txt.
Times are CPU times; of several repetitions of a benchmark the fastest counts, the least
disturbed by other work on the machine. Every ratio is taken against its peer measured in the
same run.

The beat clock's figures under each network and sender profile become a table of their own, one
row per profile; its random sweep's, a table of the worst, 95th percentile and median over seeds
of each figure, with how many seeds pass each property (--sweep-table prints it alone). A section of OUTPUT_MD headed "## Beat clock profiles before ..." or
"## Receive path before and after ..." is a baseline kept for comparison: it is carried over
as it stands. --profiles-table prints the
table of one orv_bench_beat_phase output alone (Markdown), for such a baseline.
"""

import collections
import datetime
import json
import math
import os
import re
import sys

NS = "ns"


def load(directory, name):
    path = os.path.join(directory, name)
    if not os.path.exists(path):
        return None
    with open(path) as file:
        return json.load(file)


def fastest(result):
    """name -> (fastest CPU time in ns, counters of that repetition)."""
    best = {}
    for run in (result or {}).get("benchmarks", []):
        if run.get("run_type") != "iteration":
            continue
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run.get("time_unit", "ns")]
        cpu = run["cpu_time"] * scale
        name = run["run_name"]
        if name not in best or cpu < best[name][0]:
            best[name] = (cpu, run)
    return best


def fmt(value, unit=""):
    if value is None:
        return "n/a"
    if unit == NS:
        if value >= 1e6:
            return f"{value / 1e6:.2f} ms"
        if value >= 1e3:
            return f"{value / 1e3:.2f} µs"
        return f"{value:.0f} ns"
    if unit == "us":
        return f"{value:.1f} µs" if value < 1000 else f"{value / 1000:.2f} ms"
    if unit == "/s":
        return f"{value / 1000:.0f} k/s"
    if isinstance(value, float) and not value.is_integer():
        return f"{value:.2f}"
    return f"{value:.0f}" if isinstance(value, float) else str(value)


class Table:
    def __init__(self):
        self.rows = []
        self.verdicts = []

    def add(self, figure, value, peer="", peer_value="", ratio=None, target="", met=None):
        mark = "" if met is None else ("met" if met else "MISSED")
        self.rows.append([figure, value, peer, peer_value,
                          "" if ratio is None else f"{ratio:.2f}", target, mark])
        if met is not None:
            self.verdicts.append((figure, target, met))

    def markdown(self):
        head = ["Figure", "Value", "Peer", "Peer value", "Ratio", "Target", ""]
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        lines += ["| " + " | ".join(str(cell) for cell in row) + " |" for row in self.rows]
        return "\n".join(lines)

    def text(self):
        head = ["Figure", "Value", "Peer", "Peer value", "Ratio", "Target", ""]
        rows = [head] + self.rows
        widths = [max(len(str(row[i])) for row in rows) for i in range(len(head))]
        return "\n".join("  ".join(str(cell).ljust(widths[i]) for i, cell in enumerate(row))
                         for row in rows)


def decode_rows(table, decode, heap, python):
    times = fastest(decode)
    blocks = {name: run.get("heap_blocks") for name, (_, run) in fastest(heap).items()}
    py = (python or {}).get("results", {}) if (python or {}).get("available") else {}
    for stage, label in (("decode", "MsgPack::parse"), ("record", "parse + fromMsgPack")):
        for payload in ("Deck", "Meta", "Control", "Event"):
            ours = times.get(f"{stage}/orvpack/{payload}", (None,))[0]
            cxx = times.get(f"{stage}/msgpack-cxx/{payload}", (None,))[0]
            if ours is None or cxx is None:
                continue
            ours_blocks = blocks.get(f"{stage}/orvpack/{payload}")
            cxx_blocks = blocks.get(f"{stage}/msgpack-cxx/{payload}")
            value = fmt(ours, NS) + (f" ({ours_blocks:.0f} heap blocks)" if ours_blocks else "")
            peer_value = fmt(cxx, NS) + (f" ({cxx_blocks:.0f})" if cxx_blocks else "")
            is_target = stage == "decode" and payload == "Deck"
            table.add(f"{label}, {payload}", value, "msgpack-cxx unpack", peer_value, ours / cxx,
                      "≤ 4" if is_target else "", (ours / cxx <= 4) if is_target else None)
            py_time = py.get(f"{stage}/python/{payload}")
            if py_time:
                table.add(f"{label}, {payload}", fmt(ours, NS), "Python msgpack unpackb",
                          fmt(py_time, NS), ours / py_time, "< 1" if is_target else "",
                          (ours < py_time) if is_target else None)


def receive_rows(table, receive):
    runs = {name: run for name, (_, run) in fastest(receive).items()}
    path = runs.get("receive_path/iterations:1")
    if path:
        table.add("receive thread CPU per datagram", fmt(path["orv_cpu_ns_per_datagram"], NS),
                  "bare recvfrom loop", fmt(path["bare_cpu_ns_per_datagram"], NS),
                  path["cpu_ratio"], "≤ 1.25", path["cpu_ratio"] <= 1.25)
        table.add("datagrams per second without loss", fmt(path["orv_datagrams_per_s"], "/s"),
                  "bare recvfrom loop", fmt(path["bare_datagrams_per_s"], "/s"),
                  path["orv_datagrams_per_s"] / path["bare_datagrams_per_s"],
                  "no loss", path["drops"] == 0 and path["complete"] == 1)
        table.add("receive thread wake-ups per datagram", fmt(path["orv_wakeups_per_datagram"]),
                  "bare recvfrom loop", fmt(path["bare_wakeups_per_datagram"]))
    latency = runs.get("latency/iterations:1")
    if latency:
        table.add("latency sendto → getDeck, median", fmt(latency["orv_median_us"], "us"),
                  "bare recvfrom loop", fmt(latency["bare_median_us"], "us"),
                  latency["median_ratio"])
        table.add("latency sendto → getDeck, 99th percentile", fmt(latency["orv_p99_us"], "us"),
                  "bare recvfrom loop", fmt(latency["bare_p99_us"], "us"), latency["p99_ratio"],
                  "< 100 µs", latency["orv_p99_us"] < 100)
    stop = runs.get("disconnect_idle/iterations:1")
    if stop:
        table.add("disconnect without traffic, median", fmt(stop["median_us"], "us"),
                  target="< 1 ms", met=stop["median_us"] < 1000)
        table.add("disconnect without traffic, worst of "
                  f"{stop['rounds']:.0f}", fmt(stop["worst_us"], "us"))
    idle = runs.get("idle_thread/iterations:1")
    if idle:
        table.add(f"idle receive thread CPU over {idle['seconds']:.0f} s",
                  fmt(idle["cpu_us"], "us") + f", {idle['wakeups']:.0f} wake-ups",
                  target="< 1 ms, no wake-ups",
                  met=idle["cpu_us"] < 1000 and idle["wakeups"] == 0 and idle["seconds"] >= 10)


def allocation_row(table, figure, counters):
    """A bundle's heap allocations per cook, early and after 5,000 more cooks: none is the target."""
    early, late = counters["bundle_allocs_per_cook"], counters["bundle_allocs_per_cook_late"]
    table.add(figure, f"{fmt(early)} (after 5,000 more cooks: {fmt(late)})", target="none",
              met=early == 0 and late == 0)


def cook_rows(table, cook):
    runs = fastest(cook)
    for events in (0, 100, 1000):
        full = runs.get(f"cook/OrvDat/{events}")
        own = runs.get(f"cook/OrvDat-own/{events}")
        if not full:
            continue
        counters = full[1]
        target = events == 100
        table.add(f"OrvDat cook, 4 decks, {events} events", fmt(full[0], NS),
                  "same cook, host table that keeps nothing", fmt(own[0], NS) if own else "",
                  full[0] / own[0] if own else None, "< 20 µs" if target else "",
                  full[0] < 20000 if target else None)
        early, late = counters["bundle_allocs_per_cook"], counters["bundle_allocs_per_cook_late"]
        table.add(f"OrvDat heap allocations per cook, {events} events",
                  f"{fmt(early)} (after 5,000 more cooks: {fmt(late)})",
                  "host side (harness table)", fmt(counters["host_allocs_per_cook"]),
                  target="independent of frames cooked", met=early == late)
    chop = runs.get("cook/OrvChannels/100")
    if chop:
        counters = chop[1]
        table.add("OrvChannels cook", fmt(chop[0], NS), target="< 1 µs", met=chop[0] < 1000)
        allocation_row(table, "OrvChannels heap allocations per cook", counters)
    beat_rows(table, cook)
    events = runs.get("cook/OrvEvents/1024")
    if events:
        counters = events[1]
        table.add("OrvEvents cook, 1,024 events (Pulse, Track Changes)", fmt(events[0], NS),
                  target="< 20 µs", met=events[0] < 20000)
        allocation_row(table, "OrvEvents heap allocations per cook, 1,024 events", counters)
    frame = runs.get("frame/harness/100")
    if frame:
        table.add("whole harness frame (OrvDat 100 events + OrvChannels)", fmt(frame[0], NS))


def beat_rows(table, cook):
    """OrvBeat cooks: timed by hand around the cook alone (real_time), since each iteration
    waits for its datagrams."""
    best = {}
    for run in (cook or {}).get("benchmarks", []):
        if run.get("run_type") != "iteration" or not run["run_name"].startswith("cook/OrvBeat"):
            continue
        scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run.get("time_unit", "ns")]
        name = run["run_name"]
        if name not in best or run["real_time"] * scale < best[name][0]:
            best[name] = (run["real_time"] * scale, run)
    for arg, what, limit in (("0", "one deck", 1000), ("1", "all four decks", 3000),
                             ("2", "On Air (four clocks)", 3000),
                             ("3", "On Air (four clocks) with every group of channels", 3000)):
        found = [value for name, value in best.items() if name.startswith(f"cook/OrvBeat/{arg}")]
        if not found:
            continue
        time, run = found[0]
        table.add(f"OrvBeat cook, {what}, new datagrams every cook", fmt(time, NS),
                  target=f"< {limit // 1000} µs", met=time < limit)
        allocation_row(table, f"OrvBeat heap allocations per cook, {what}", run)


def reference_profile(phase):
    """The run of the earlier single-scenario benchmark: the LAN with the default sender."""
    profiles = (phase or {}).get("profiles", [])
    for profile in profiles:
        if profile["profile"] == "lan/default":
            return profile
    return None


def beat_phase_rows(table, phase):
    """The beat clock against the simulator's grid (bench/BeatPhaseBench.cpp), lan/default."""
    profile = reference_profile(phase)
    if not profile or profile["p99_ms"] is None:
        return
    table.add("beat boundary error after lock, 99th percentile",
              f"{profile['p99_ms']:.2f} ms (median {profile['p50_ms']:.2f}, worst "
              f"{profile['max_ms']:.2f}; {profile['boundaries']} boundaries)",
              target="< 2 ms", met=profile["p99_ms"] < 2.0)
    slowest = profile["lock_beats_max"]
    table.add("lock after the deck starts to play, slowest of 4 decks",
              "never" if slowest is None else f"{slowest:.2f} beats", target="≤ 2 beats",
              met=slowest is not None and slowest <= 2.0)
    table.add("beat_ramp running backwards within a beat", str(profile["backwards"]),
              target="never", met=profile["backwards"] == 0)
    recovery = profile["tempo_recovery_beats"]
    table.add("beats until the error is under 2 ms after a 5% tempo change",
              "never" if recovery is None else
              f"{recovery} (worst after: {profile['after_recovery_max_ms']:.2f} ms)",
              target="≤ 4", met=recovery is not None and recovery <= 4)


def offset_rows(table, runs):
    """The beat clock read ahead of and behind the cook ("Offset (ms)"), lan/default."""
    for run in runs:
        profile = ((run or {}).get("profiles") or [None])[0]
        if not profile or profile["p99_ms"] is None:
            continue
        offset = profile["offset_ms"]
        where = "before" if offset > 0 else "after"
        faults = (profile["backwards"] + profile["pulses_without_boundary"]
                  + profile["boundaries_without_pulse"])
        table.add(f"Offset {offset:+g} ms: pulses {abs(offset):g} ms {where} the boundaries, "
                  f"error p99", f"{profile['p99_ms']:.2f} ms (median signed "
                  f"{profile['median_signed_ms']:+.2f}; {faults} back-steps or stray pulses)",
                  target="≤ 2 ms", met=profile["p99_ms"] <= 2.0 and faults == 0)


def triple(profile, key):
    values = [profile[f"{figure}{key}"] for figure in ("p50", "p99", "max")]
    if any(value is None for value in values):
        return "n/a"
    return " / ".join(f"{value:.2f}" for value in values)


def lock_after_oracle(profile):
    """The slowest deck's lock after its datagrams allowed it, and how many decks they allowed."""
    allowed = profile.get("oracle_allowed")
    if allowed is None:
        return "n/a"  # a run from before the oracle
    if allowed == 0:
        text = "never allowed"
    else:
        slowest = profile["lock_after_oracle_beats_max"]
        text = f"{slowest:.2f}" if slowest is not None else "never"
        if allowed < 4:
            text += f" ({allowed} of 4 allowed)"
    early = profile.get("decks_locked_early", 0)
    if early:
        text += f"; {early} locked before allowed"
    return text


def profiles_table(phase):
    """One row per network and sender profile, in Markdown."""
    head = ["Profile", "What differs", "Boundaries", "Error p50 / p99 / max (ms)",
            "Less least delay p50 / p99 / max (ms)", "Median signed (ms)",
            "beat_ramp back-steps", "Pulses without boundary", "Boundaries without pulse",
            "Wrong beat in bar", "Lock (beats, slowest deck)",
            "Lock after the oracle (beats, slowest deck)", "Lock after cue (beats)"]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for profile in (phase or {}).get("profiles", []):
        network, sender = profile["profile"].split("/")
        what = profile["sender"] if sender != "default" else profile["network"]
        if network not in ("lan", "ideal") and sender != "default":
            what = f"{profile['network']}; {profile['sender']}"
        slowest = profile["lock_beats_max"]
        lock = (f"{slowest:.2f}" if slowest is not None else
                f"never ({profile['decks_locked']} of 4 locked)")
        cue = profile["seek_lock_beats"]
        signed = profile["median_signed_ms"]
        row = [f"`{profile['profile']}`", what, str(profile["boundaries"]),
               triple(profile, "_ms"), triple(profile, "_less_delay_ms"),
               "n/a" if signed is None else f"{signed:+.2f}",
               str(profile["backwards"]), str(profile["pulses_without_boundary"]),
               str(profile["boundaries_without_pulse"]),
               f"{profile['wrong_beats']} of {profile['beats_checked']}", lock,
               lock_after_oracle(profile), "never" if cue is None else str(cue)]
        lines.append("| " + " | ".join(row) + " |")
    return "\n".join(lines)


# The sweep's figures per seed: JSON key, row label, what every seed must show.
SWEEP_FIGURES = [
    ("pulses_between_beats", "Pulses between beats", "0"),
    ("missed_boundaries", "Missed boundaries", "0"),
    ("back_steps", "beat_ramp back-steps", "0"),
    ("wrong_bars", "Wrong beat in bar", "0"),
    ("lock_beats", "Lock after the oracle allows it (beats; < 0: before)", "0 to 1.5"),
    ("early_locks", "Tracks locked before the oracle allows it", "0"),
    ("locked_p99_ms", "p99 of \\|error less least delay\\| while locked (ms)", "≤ 2"),
    ("locked_worst_ms", "Worst \\|error less least delay\\| while locked (ms)", ""),
    ("coarse_worst_ms", "Lock never allowed: worst error less least delay and half a step (ms)",
     "≤ 2"),
    ("least_delay_ms", "The path's least one-way delay (ms)", ""),
]


def nearest_rank(values, share):
    ordered = sorted(values)
    rank = max(1, math.ceil(share * len(ordered)))
    return ordered[min(rank, len(ordered)) - 1]


def sweep_table(seeds):
    """Worst, 95th percentile and median over seeds of each figure, then the properties."""
    def number(value):
        return f"{value:.2f}" if isinstance(value, float) and not value.is_integer() else \
            f"{value:g}"

    head = ["Figure", "Worst", "95th percentile", "Median", "Seeds", "Every seed"]
    lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for key, label, target in SWEEP_FIGURES:
        values = [seed[key] for seed in seeds if seed.get(key) is not None]
        if not values:
            lines.append(f"| {label} | n/a | n/a | n/a | 0 | {target} |")
            continue
        # The lock's worst is its latest; one before the oracle's moment shows as the least.
        worst = max(values)
        if key == "lock_beats" and min(values) < 0:
            worst = f"{number(worst)} (earliest {number(min(values))})"
        lines.append(f"| {label} | {worst if isinstance(worst, str) else number(worst)} | "
                     f"{number(nearest_rank(values, 0.95))} | "
                     f"{number(nearest_rank(values, 0.5))} | {len(values)} | {target} |")
    lines += ["", "| Property | Seeds passing | Seeds where it applies |", "|---|---|---|"]
    names = []
    for seed in seeds:
        names += [name for name in seed["passed"] if name not in names]
    for name in names:
        verdicts = [seed["passed"].get(name) for seed in seeds]
        applied = [v for v in verdicts if v is not None]
        lines.append(f"| {name} | {sum(1 for v in applied if v)} | {len(applied)} |")
    return "\n".join(lines)


def load_lines(directory, name):
    path = os.path.join(directory, name)
    if not os.path.exists(path):
        return None
    with open(path) as file:
        return [json.loads(line) for line in file if line.strip()]


BASELINE_HEADING = re.compile(r"^## (Beat clock profiles before |Receive path before and after )",
                              re.MULTILINE)


def kept_baseline(path):
    """The baseline sections of the document being replaced, as they stand ("" when none)."""
    if not os.path.exists(path):
        return ""
    with open(path) as file:
        text = file.read()
    kept = ""
    for found in BASELINE_HEADING.finditer(text):
        rest = text[found.end():]
        following = re.search(r"^## ", rest, re.MULTILINE)
        end = found.end() + following.start() if following else len(text)
        kept += text[found.start():end].rstrip() + "\n\n"
    return kept


NOTES = """\
## How these figures are taken

- `bench/run` builds the `release` preset's benchmark targets, runs the four programs of
  `bench/` and this report. Times are CPU time of the measuring thread; of the repetitions
  (run interleaved in random order) the fastest counts. The machine is shared, so the load
  average above matters: on a busy machine every figure grows and tail figures (99th
  percentile, worst disconnect) grow most.
- Decode: the payloads are written byte by byte as a sender writes them (`bench/Payloads.cpp`);
  every peer decodes the same bytes (the Python peer reads them from the files the decode
  program writes). msgpack-cxx `unpack` into an object handle; its record step walks the map
  once. Heap blocks are counted by an interposed allocator in a separate build of the decode
  program, so that the timed build runs on the untouched system allocator.
- Receive path: one sender on loopback, paced by the receiver's queue fill (read with
  `SO_MEMINFO`, the same for both receivers), so nothing is dropped; the receive thread's CPU
  clock is read over exactly the stretch of 40,000 datagrams, five rounds, median.
- Latency: `sendto`, then a poll of `getDeck` every microsecond until the new value shows;
  the receive thread is back in `recvfrom` before each sample.
- Beat clock: `orv_bench_beat_phase` runs the simulator's four decks in real time on
  loopback against the real OrvDat and OrvBeat bundles cooked 60 times a second, once per
  network and sender profile (the presets of `orv simulate`, see docs/tool.md); the rows above
  are its `lan/default` run (60 Deck datagrams a second per deck, each held back 0 to 5 ms, one
  in ten dropped). The decks start from pause one after the other, deck 2's pitch rises 5%
  halfway and deck 3 is cued back 8.37 s at three quarters. A boundary seen by the clock is the
  cook's time minus beat_ramp beat lengths at the cook that shows beat_pulse; the truth is the
  simulator's grid on the same steady clock. The OrvBeat cooks feed every deck a new datagram
  before each cook and time the cook alone.
- Beat clock profiles: the truth grid moves with the sender's grid offset. A pulse belongs to
  the nearest true boundary within a quarter beat; a second pulse there, or one with none near,
  is a pulse without a boundary (the one pulse that takes a cue's new phase is allowed). Pulses
  and boundaries are checked from four beats after each deck starts to half a second before
  the end; errors count from each deck's first lock on, leaving out the four boundaries after
  the tempo change and after the cue. A deck whose datagrams never allow the lock has its
  errors counted from six beats after its start instead, so the error columns show how close
  the clock keeps without it. "Less least delay" takes the network's least one-way delay off
  each error (no clock can know it); "median signed" is positive when the clock is late.
  "beat_ramp back-steps" counts cooks where the ramp fell without a pulse. "Wrong beat in bar"
  compares the `beat` channel at each matched pulse with the bar position of its true boundary
  (a sender's Beat 0..3 maps to 1..4). "Lock" is the beats played from a deck's start until
  `locked` first shows 1. "Lock after the oracle" is the beats played from the moment the
  deck's arrived datagrams first allow the lock (support/sim/BeatOracle.h: the boundaries'
  bounds place the lines within 3 ms) until `locked` first shows 1; "never allowed" where they
  never do (Position in steps too coarse for that), "n of 4 allowed" where they do for some
  decks only; a lock before that moment would be a lie and is counted as "locked before
  allowed". "Lock after cue" (and, in the JSON, the tempo change's recovery) counts the
  boundaries until every later one has a pulse within 2 ms (less the least delay) with
  `locked` on; "never" when the run ends first.
- Beat clock over the random sweep: `orv_bench_beat_sweep` runs the seeds of the suite's sweep
  (tests/beat/BeatSweepTest.cpp) end to end, four at once: one OrvDat node and one OrvBeat node
  per deck ("Deck" 1 to 4, "BPM Includes Pitch" as the seed draws it), in real time on loopback,
  each deck's datagrams sent when the seed's network model delivers them. Each seed draws every
  condition at once (tempo, pitch, grid offset, Position exact or per audio buffer, Beat's
  source and base, BPM with or without the pitch, 25-60 datagrams a second, the network, and
  cues, pauses, pitch ramps, new tracks and garbage) and is judged against what its own
  datagrams allow (support/sim/BeatOracle.h: when the boundaries' bounds first place the lines
  within 3 ms, and the path's least one-way delay) with the properties of
  support/sim/ClockJudge.h. "Error less least delay" is a cook's shown boundary (its time less
  beat_ramp beat lengths) less the true boundary and the least delay.
- Cooks: every call the host makes on the node in one frame, on the real bundle through the
  headless host's parameters and table output. The table output of the harness stores each
  cell and writes every number as text, which is most of the cook; the peer column runs the
  same cook into a table output that keeps nothing, which is the plug-in's own work. A DAT
  reference is resolved once (the harness rebuilds its record with a copy of every cell on
  each call; the real host keeps it). Allocations are counted by a replaced global
  `operator new` and attributed by walking the stack to the first caller outside the
  standard library: code of a bundle, or the host's side.
  The channel operators' cooks leave out getChannelName, which hands over a name the node
  keeps (`OrvEvents` builds an event's channel name once, when the name first arrives).

## What limits the decode, and the gap to msgpack-cxx

A decoded `Deck` is 23 values: the map, 11 keys and 11 values. The keys and the two small
integers are shared prebuilt values, handed out as uncounted handles (no allocation and no
atomic reference count). Everything else lies in one slab, a single block that the decoder
sizes from the map's count before reading the entries: the map's 11 nodes (`MsgPack::object`
is a `std::map` whose allocator draws from the slab for a decoded map and from the heap for any
other, a copy of a decoded map included, so the interface is unchanged) and the 9 floats'
shared blocks. A handle on one of those floats may outlive its map, so the slab counts its
holders (the map and each value in it) and goes when the last one does; the counts are taken
in one step when the slab is made, so decoding itself touches no atomic for them. A Deck is
therefore 2 heap blocks (the map value and its slab), against msgpack-cxx's zone.

The remaining gap is the value model: a map is a red-black tree built by key comparisons,
every value is an object with a virtual interface and a reference count that is dropped
atomically, and the default handle is the shared null value. A profile of the Deck decode
(perf record -g on `orv_bench_decode`) puts about a quarter of the time in searching and
rebalancing the tree, a seventh in matching keys against the prebuilt ones, and most of the
rest in the map's read loop, the dispatch on lead bytes and making the float values; the
allocator is down to a few per cent. msgpack-cxx writes a flat array of key-value pairs into a
bump-pointer zone and builds no index at all, which is why it stays ahead.

Against Python's msgpack: CPython builds the same dict from its small-object allocator, a free
list of floats and interned keys, so its cost per value is a pointer bump; with the slab the
Deck decode is well ahead of it.

Changes made for these figures: the map's nodes and values come from one slab (the Deck decode
went from 21 heap blocks to 2 and from about 840 ns to about 500 ns on a quiet machine); the
handles the decoder makes no longer start as the shared null value (an atomic increment and
decrement each); keys are compared against the prebuilt ones without a call to `memcmp`; the
shared keys and small integers are handed out uncounted (two atomic operations fewer per
shared value); the records are filled in one walk of the map instead of one tree search per
field; the receive thread writes the sender's address itself instead of through glibc's
`inet_ntop` (a formatted print, several hundred nanoseconds per datagram) and clears only the
part of its buffer that the previous datagram used.

## What limits the OrvDat cook

The plug-in's own part of a cook (the peer column) is a snapshot of the store under the lock
and one call per cell. With the harness's table output, storing the cells costs four to seven
times that: every cell is a `std::string` and every number is written as text with
`std::to_chars` (a profile, perf record -g, puts `OrvDat.so` at under a tenth of the cook's
samples). The 100-event target is therefore decided by the stand-in host's table; the
allocations it makes (numbers whose text is longer than a short string) are the host side's,
and the plug-in makes none after its first cooks.

## What limits the receive path

Both receivers spend most of their time in the kernel: the `recvfrom` system call and waking
the blocked thread (the context switch in a virtual machine costs microseconds). On a quiet
machine the bare loop finds several datagrams waiting per wake-up and needs about 1.5 µs per
datagram; the receiver then adds its own work for each: decoding the Deck and building the
record (about 0.6 µs with warm caches, more in a thread whose caches the kernel has just
walked through), two short lock holds (filter, store), the sender's address as text and
clearing what the previous datagram left in the buffer. That work alone is more than a
quarter of the bare loop's cost, so the 1.25 target is out of reach with one tree per
datagram as the decode is specified: even msgpack-cxx's decode (about 0.2 µs) would use most
of the allowance. On a loaded machine the bare loop's wake-ups cost more and the ratio falls
(1.40 in an earlier run at load 5). The ratio is best read together with the wake-ups per
datagram: a slower thread finds more waiting and wakes less often.

## What limits the OrvBeat cook

The cook is timed alone, around getGeneralInfo, getOutputInfo, execute and the text calls,
with a new datagram from every deck before each cook: one hold to copy the decks' new samples,
the clocks' work on them, and the nine (or 36, or ten) channels. Its figure moves with the
machine far more than with the code: the tree before this stop's beat changes (f5715c3),
built and run in the same minutes as the current one on 2026-12-09 16:20 UTC, measured 2.11
to 2.18 µs for one deck and 2.22 to 2.64 µs for all four, against 1.98 to 2.11 and 2.25 to
3.03 µs for the current tree (runs of the same binary spread by a third); the same base
measured 1.04 µs one deck on the earlier machine. The cook includes the stand-in host's
parameter calls (looked up by name), which TouchDesigner answers its own way. With every group
of channels on (phrase, track end, mix, cues), the On Air cook also reads the three phrase
settings, runs the stages beside the beat and writes 18 more channels: 0.45 and 0.83 µs more
in two runs of `bench/run` on 2026-12-10 (01:15 and 01:46 UTC), on a machine slower throughout
than the day before (msgpack-cxx's Deck decode, the same code in every run: 231 and 226 ns
against 169 ns on 2026-12-09).

## What limits the beat clock

A boundary is known only to lie between two consecutive datagrams in Position order (16.7 ms of
track at 60 a second), plus one Position step when Position comes in steps (Beat may be read
from a finer position than the one sent, and no receiver can tell). Each new boundary narrows
where a line can lie only as far as it falls elsewhere between its two datagrams. When a beat
lasts almost a whole number of datagram intervals (124 BPM at 60 a second: 29.03) that is half
a millisecond a beat, so `locked`, which waits for the lines placed within 3 ms, comes late;
with a Position step of 21 ms (1024 samples at 48 kHz) it never comes. No receiver can do
better with the same promise: the sweep's oracle computes that moment from the datagrams that
arrived, and the clock locks within a frame or two of it. Until it locks the clock already
pulses on every boundary, as close as the datagrams allow. Within the window, what is left is
the timeline: the line below the arrivals lies the least delay behind the sender once its
least delayed datagrams crowd near the floor; a network whose least delays are rare (Wi-Fi,
heavy tails) leaves it up to a millisecond or so above, which is the rest of the 2 ms.
"""


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--profiles-table":
        with open(sys.argv[2]) as file:
            print(profiles_table(json.load(file)))
        return
    if len(sys.argv) == 3 and sys.argv[1] == "--sweep-table":
        print(sweep_table(load_lines(*os.path.split(sys.argv[2]))))
        return
    directory, output = sys.argv[1], sys.argv[2]
    table = Table()
    python = load(directory, "python.json")
    decode_rows(table, load(directory, "decode.json"), load(directory, "decode_heap.json"),
                python)
    receive_rows(table, load(directory, "receive.json"))
    cook_rows(table, load(directory, "cook.json"))
    phase = load(directory, "beat.json")
    beat_phase_rows(table, phase)
    offset_rows(table, [load(directory, "offset50.json"), load(directory, "offset-50.json")])

    with open(os.path.join(directory, "machine.txt")) as file:
        machine = file.read().strip()
    peers = []
    if python and python.get("available"):
        kind = "C extension" if python.get("extension") else "pure-Python fallback"
        peers.append(f"Python {python['python']}, msgpack {python['version']} ({kind})")
    else:
        peers.append("Python msgpack: not available in this run")
    now = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")

    missed = [(figure, target) for figure, target, met in table.verdicts if not met]
    summary = ("Every target met." if not missed else
               "Missed: " + "; ".join(f"{figure} (target {target})" for figure, target in missed)
               + ". See the notes below for what limits them.")

    text = table.text()
    print(text)
    print()
    print(summary)

    baseline = kept_baseline(output)
    with open(output, "w") as file:
        file.write("# Performance\n\n")
        file.write("Written by `bench/run`; run it again to measure your own machine.\n\n")
        file.write(f"- Date: {now}\n")
        for line in machine.splitlines():
            file.write(f"- {line}\n")
        file.write(f"- Peers: msgpack-cxx (header-only, same compiler and flags); "
                   f"{'; '.join(peers)}\n\n")
        file.write(table.markdown() + "\n\n")
        file.write(summary + "\n\n")
        if phase and phase.get("profiles"):
            file.write(f"## Beat clock under network and sender profiles\n\n"
                       f"`orv_bench_beat_phase`, {phase['seconds']:g} s per profile, seed "
                       f"{phase['seed']}.\n\n")
            file.write(profiles_table(phase) + "\n\n")
        sweep = load_lines(directory, "sweep.json")
        if sweep:
            file.write(f"## Beat clock over the random sweep\n\n"
                       f"`orv_bench_beat_sweep`, seeds {sweep[0]['seed']} to "
                       f"{sweep[-1]['seed']}, four decks at once (see the notes).\n\n")
            file.write(sweep_table(sweep) + "\n\n")
        file.write(baseline)
        file.write(NOTES)


if __name__ == "__main__":
    main()
