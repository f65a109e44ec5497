#!/usr/bin/env python3
"""Drives a Pelmix SCPI server through PyVISA, as a lab script would.

Usage: scpi_client.py HOST:PORT [FREQUENCY]
       scpi_client.py --abort HOST:PORT
With FREQUENCY (Hz), every frequency read must be that value, as a counter measuring a
steady signal gives it. With --abort, one client starts a long measurement and polls its
status while a second one asks who it is and aborts it. Exits 0 when every answer is as it
should be, 1 otherwise.
"""

import math
import statistics
import sys
import time

import pyvisa

failures = []


def check(what, ok, got):
    print(f"{'ok  ' if ok else 'FAIL'} {what}: {got!r}")
    if not ok:
        failures.append(what)


def close(a, b):
    return len(a) == len(b) and all(math.isclose(x, y, rel_tol=1e-12) for x, y in zip(a, b))


def connect(manager, address):
    host, port = address.rsplit(":", 1)
    return manager.open_resource(f"TCPIP::{host.strip('[]')}::{port}::SOCKET",
                                 read_termination="\n", write_termination="\n", timeout=20000)


def until(what, condition):
    """Polls as a lab script does, for at most 20 s."""
    deadline = time.monotonic() + 20
    while not condition():
        if time.monotonic() > deadline:
            check(what, False, "gave up")
            return
        time.sleep(0.02)


def abort_scenario(manager, address):
    first, second = connect(manager, address), connect(manager, address)
    # 100 readings of 10 s: nothing ends this but ABORt.
    first.write("*RST;*CLS;*ESE 1;:FREQ:GATE:TIME 10;:SAMP:COUN 100")
    first.write("INIT;*OPC")
    stb = int(first.query("*STB?"))
    check("*STB? right after INIT: no event yet", stb & 32 == 0, stb)
    until("the measurement runs", lambda: second.query("STAT:OPER:COND?") == "+16")
    check("*IDN? from a second client meanwhile", second.query("*IDN?").startswith("Pelmix,"), "")
    second.write("ABOR")
    until("*STB? shows the event summary", lambda: int(first.query("*STB?")) & 32)
    esr = int(first.query("*ESR?"))
    check("*ESR?: operation complete and an execution error", esr == 1 | 16, esr)
    error = first.query("SYST:ERR?")
    check("the aborted measurement's error", error.startswith('-230,"Data corrupt or stale;'),
          error)
    check("FETC? answers at once", len(first.query_ascii_values("FETC?")) >= 1, "")
    first.write("FREQ:GATE:TIME 0.001;:SAMP:COUN 2;:INIT")
    check("*OPC? after a short measurement", first.query("*OPC?") == "1", "")
    check("FETC? gives both readings", len(first.query_ascii_values("FETC?")) == 2, "")
    check("no error left", second.query("SYST:ERR?") == '+0,"No error"', "")
    first.close()
    second.close()


manager = pyvisa.ResourceManager("@py")
if sys.argv[1] == "--abort":
    abort_scenario(manager, sys.argv[2])
    manager.close()
    sys.exit(1 if failures else 0)
counter = connect(manager, sys.argv[1])
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
check("*OPC? answers 1", counter.query("*OPC?") == "1", "")
counter.close()
manager.close()
sys.exit(1 if failures else 0)
