#!/usr/bin/env python3
"""Drives a Pelmix SCPI server through PyVISA, as a lab script would.

Usage: scpi_client.py HOST:PORT [FREQUENCY]
With FREQUENCY (Hz), every frequency read must be that value, as a counter measuring a
steady signal gives it. Exits 0 when every answer is as it should be, 1 otherwise.
"""

import math
import statistics
import sys

import pyvisa

failures = []


def check(what, ok, got):
    print(f"{'ok  ' if ok else 'FAIL'} {what}: {got!r}")
    if not ok:
        failures.append(what)


def close(a, b):
    return len(a) == len(b) and all(math.isclose(x, y, rel_tol=1e-12) for x, y in zip(a, b))


host, port = sys.argv[1].rsplit(":", 1)
manager = pyvisa.ResourceManager("@py")
counter = manager.open_resource(f"TCPIP::{host.strip('[]')}::{port}::SOCKET",
                                read_termination="\n", write_termination="\n", timeout=20000)
identity = counter.query("*IDN?").split(",")
check("*IDN? has four fields, the first Pelmix",
      len(identity) == 4 and identity[0] == "Pelmix", identity)

# The shortest measuring time, 1 ms, keeps a real counter's five readings quick.
counter.write("*RST;*CLS;:CONF:FREQ;:FREQ:GATE:TIME 0.001;:SAMP:COUN 5")
readings = counter.query_ascii_values("READ?")
check("READ? gives five readings", len(readings) == 5, readings)
if len(sys.argv) > 2:
    check(f"every reading is {sys.argv[2]} Hz", close(readings, [float(sys.argv[2])] * 5), readings)
if len(readings) > 1:
    averages = counter.query_ascii_values("CALC:AVER:ALL?")
    expected = [statistics.mean(readings), statistics.stdev(readings), min(readings), max(readings)]
    check("CALC:AVER:ALL? agrees with the readings", close(averages, expected), averages)

check("no error so far", counter.query("SYST:ERR?") == '+0,"No error"', "")
counter.write("NO:SUCH:COMMAND")
error = counter.query("SYST:ERR?")
check("an unknown command is -113", error.startswith("-113,"), error)
check("*OPC? answers 1", counter.query("*OPC?") == "1", "")
counter.close()
manager.close()
sys.exit(1 if failures else 0)
