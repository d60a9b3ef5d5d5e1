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


def records(keys):
    """Field extraction per payload, with the defaults the records use, from the records'
    keys as the decode benchmark wrote them (keys.json). Each extractor is one tuple of
    d.get calls, as a script would write it by hand."""
    defaults = {"float": "0.0", "int": "0", "byte": "0", "text": '""'}

    def extractor(fields):
        gets = [f"d.get({key!r}, {defaults[kind]})" + (" & 0xFF" if kind == "byte" else "")
                for key, kind in fields]
        return eval("lambda d: (" + ", ".join(gets) + ",)")

    return {name: extractor(fields) for name, fields in keys.items()}


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

    with open(f"{sys.argv[1]}/keys.json") as keys:
        extractors = records(json.load(keys))
    results = {}
    for name, record in extractors.items():
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
