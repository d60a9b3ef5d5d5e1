#!/usr/bin/env python3
"""The Python peer: msgpack's C extension on the same payload bytes as the C++ benchmarks.

Prints one JSON object: for each payload, the CPU time of one unpackb call, and of unpackb
followed by the step into a record (the fields read out of the dict, as a script would),
each the best of several timeit repeats, in nanoseconds.

    python_peer.py PAYLOAD_DIR
"""

import json
import sys
import time
import timeit


def records():
    """Field extraction per payload, with the defaults the records use."""

    def deck(d):
        return (d.get("Pitch", 0.0), d.get("Position", 0.0), d.get("Position2", 0.0),
                d.get("NormalizedPosition", 0.0), d.get("BPM", 0.0), d.get("Length", 0.0),
                d.get("EQLow", 0.0), d.get("EQMid", 0.0), d.get("EQHigh", 0.0),
                d.get("Deck", 0), d.get("Beat", 0))

    def meta(d):
        return (d.get("Deck", 0), d.get("Title", ""), d.get("Artist", ""), d.get("Album", ""),
                d.get("Filepath", ""))

    def control(d):
        return (d.get("UpfaderA", 0.0), d.get("UpfaderB", 0.0), d.get("Crossfader", 0.0),
                d.get("Active", 0))

    def event(d):
        return (d.get("Event", ""), d.get("Value", 0) & 0xFF)

    return {"Deck": deck, "Meta": meta, "Control": control, "Event": event}


def best_ns(statement, namespace):
    timer = timeit.Timer(statement, globals=namespace, timer=time.process_time)
    number, _ = timer.autorange()
    number = max(number, 10000)
    return min(timer.repeat(repeat=5, number=number)) / number * 1e9


def main():
    try:
        import msgpack
    except ImportError:
        print(json.dumps({"available": False, "reason": "no msgpack module"}))
        return
    try:
        from msgpack import _cmsgpack  # noqa: F401  the C extension, not the fallback
        extension = True
    except ImportError:
        extension = False

    results = {}
    for name, record in records().items():
        with open(f"{sys.argv[1]}/{name}.bin", "rb") as payload:
            data = payload.read()
        namespace = {"unpackb": msgpack.unpackb, "data": data, "record": record}
        results[f"decode/python/{name}"] = best_ns("unpackb(data)", namespace)
        results[f"record/python/{name}"] = best_ns("record(unpackb(data))", namespace)

    print(json.dumps({
        "available": True,
        "extension": extension,
        "version": ".".join(str(part) for part in msgpack.version),
        "python": sys.version.split()[0],
        "results": results,
    }))


if __name__ == "__main__":
    main()
