#!/usr/bin/env python3
"""Drives a Pelmix SCPI server through PyVISA, as a lab script would.

Usage: scpi_client.py HOST:PORT [FREQUENCY]
With FREQUENCY (Hz), every frequency read must be that value, as a counter that measures a
steady signal gives it. Exits 0 when every answer is as it should be, 1 on a mismatch, 77
when PyVISA or its pure-Python backend is not installed.
"""

import math
import statistics
import sys

SKIPPED = 77

try:
    import pyvisa
    import pyvisa_py  # noqa: F401 - the '@py' backend must be there
except ImportError:
    print("PyVISA with the pyvisa-py backend is not installed: skipped")
    sys.exit(SKIPPED)


def main():
    host, port = sys.argv[1].rsplit(":", 1)
    expected = float(sys.argv[2]) if len(sys.argv) > 2 else None
    manager = pyvisa.ResourceManager("@py")
    counter = manager.open_resource(
        f"TCPIP::{host.strip('[]')}::{port}::SOCKET",
        read_termination="\n",
        write_termination="\n",
        timeout=20000,
    )
    failures = []

    def check(what, ok, got):
        print(f"{'ok  ' if ok else 'FAIL'} {what}: {got!r}")
        if not ok:
            failures.append(what)

    identity = counter.query("*IDN?").split(",")
    check("*IDN? has four fields, the first Pelmix", len(identity) == 4 and identity[0] == "Pelmix",
          identity)

    counter.write("*RST;*CLS")
    counter.write("CONF:FREQ")
    # The shortest measuring time, 1 ms, keeps a real counter's five readings quick.
    counter.write("FREQ:GATE:TIME 0.001")
    counter.write("SAMP:COUN 5")
    readings = counter.query_ascii_values("READ?")
    check("READ? gives five readings", len(readings) == 5, readings)
    if expected is not None:
        check(f"every reading is {expected} Hz",
              all(math.isclose(r, expected, rel_tol=1e-12) for r in readings), readings)

    mean, deviation, low, high = counter.query_ascii_values("CALC:AVER:ALL?")
    if len(readings) == 5:
        expected = (statistics.mean(readings), statistics.stdev(readings), min(readings),
                    max(readings))
        close = all(math.isclose(a, b, rel_tol=1e-12)
                    for a, b in zip((mean, deviation, low, high), expected))
        check("CALC:AVER:ALL? agrees with the readings", close, (mean, deviation, low, high))

    error = counter.query("SYST:ERR?")
    check("no error so far", error == '+0,"No error"', error)

    counter.write("NO:SUCH:COMMAND")
    error = counter.query("SYST:ERR?")
    check("an unknown command is -113", error.startswith("-113,"), error)

    done = counter.query("*OPC?")
    check("*OPC? answers 1", done == "1", done)

    counter.close()
    manager.close()
    if failures:
        print(f"{len(failures)} check(s) failed", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
