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

try:
    import pyvisa
    import pyvisa_py  # noqa: F401 - the '@py' backend must be there
except ImportError:
    print("PyVISA with the pyvisa-py backend is not installed: skipped")
    sys.exit(77)

failures = []


def check(what, ok, got):
    print(f"{'ok  ' if ok else 'FAIL'} {what}: {got!r}")
    if not ok:
        failures.append(what)


def main():
    host, port = sys.argv[1].rsplit(":", 1)
    manager = pyvisa.ResourceManager("@py")
    counter = manager.open_resource(f"TCPIP::{host.strip('[]')}::{port}::SOCKET",
                                    read_termination="\n", write_termination="\n",
                                    timeout=20000)
    identity = counter.query("*IDN?").split(",")
    check("*IDN? has four fields, the first Pelmix",
          len(identity) == 4 and identity[0] == "Pelmix", identity)

    # The shortest measuring time, 1 ms, keeps a real counter's five readings quick.
    for command in ("*RST;*CLS", "CONF:FREQ", "FREQ:GATE:TIME 0.001", "SAMP:COUN 5"):
        counter.write(command)
    readings = counter.query_ascii_values("READ?")
    check("READ? gives five readings", len(readings) == 5, readings)
    if len(sys.argv) > 2:
        check(f"every reading is {sys.argv[2]} Hz",
              all(math.isclose(r, float(sys.argv[2]), rel_tol=1e-12) for r in readings), readings)
    averages = counter.query_ascii_values("CALC:AVER:ALL?")
    if len(readings) == 5:
        expected = (statistics.mean(readings), statistics.stdev(readings), min(readings),
                    max(readings))
        check("CALC:AVER:ALL? agrees with the readings",
              all(math.isclose(a, b, rel_tol=1e-12) for a, b in zip(averages, expected)),
              averages)

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
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
