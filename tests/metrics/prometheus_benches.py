#!/usr/bin/env python3
"""pelmix-cli's metrics as Prometheus' own tools read them.

  benches   two `serve --simulate --metrics` benches measure different numbers of readings;
            a real Prometheus server scrapes both, and its HTTP API gives each bench's counts
  promtool  `promtool check metrics` finds nothing wrong with a bench's exposition
  readme    the README's prometheus.yml and alert rules pass `promtool check config`, and
            the alert fires for the benches that stopped answering (`promtool test rules`)
"""
import argparse
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

SKIP = 77
# Bounds a hang; does not judge speed.
PATIENCE = 60


def fail(message):
    print(message, file=sys.stderr)
    sys.exit(1)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def get(url):
    with urllib.request.urlopen(url, timeout=PATIENCE) as reply:
        return reply.read().decode()


class Bench:
    """A `pelmix-cli serve` on the simulated counter, its SCPI and its metrics address."""

    def __init__(self, cli):
        self.process = subprocess.Popen(
            [cli, "serve", "--simulate", "--listen", "127.0.0.1:0", "--metrics", "127.0.0.1:0"],
            stdout=subprocess.PIPE, text=True)
        self.scpi = self.after("Listening on ")
        self.metrics = self.after("Metrics on ")
        host, port = self.scpi.rsplit(":", 1)
        self.socket = socket.create_connection((host, int(port)), timeout=PATIENCE)
        self.replies = self.socket.makefile()

    def after(self, prefix):
        line = self.process.stdout.readline().strip()
        if not line.startswith(prefix):
            fail(f"serve printed {line!r}, not {prefix}ADDRESS:PORT")
        return line[len(prefix):]

    # The values of `count` readings in `function` (FREQ, PER, TOT, ...), 1 ms gate.
    def read(self, function, count):
        self.socket.sendall(
            f"CONF:{function};:FREQ:GATE:TIME 0.001;:SAMP:COUN {count};:READ?\n".encode())
        values = [float(v) for v in self.replies.readline().strip().split(",")]
        if len(values) != count:
            fail(f"{self.scpi}: asked for {count} readings, got {values}")
        return values

    def end(self):
        self.socket.close()
        self.process.terminate()
        self.process.wait(PATIENCE)


class Prometheus:
    """A Prometheus server of its own, scraping `targets` every second."""

    def __init__(self, binary, targets, folder):
        config = os.path.join(folder, "prometheus.yml")
        with open(config, "w") as f:
            f.write("global:\n  scrape_interval: 1s\n"
                    "scrape_configs:\n  - job_name: pelmix\n    static_configs:\n"
                    f"      - targets: {json.dumps(targets)}\n")
        self.url = f"http://127.0.0.1:{free_port()}"
        self.log = open(os.path.join(folder, "prometheus.log"), "w")
        self.process = subprocess.Popen(
            [binary, f"--config.file={config}", f"--storage.tsdb.path={folder}/data",
             f"--web.listen-address={self.url[7:]}"],
            stdout=self.log, stderr=subprocess.STDOUT)
        self.targets = targets

    def api(self, path, **query):
        reply = json.loads(get(f"{self.url}/api/v1/{path}?{urllib.parse.urlencode(query)}"))
        if reply["status"] != "success":
            fail(f"Prometheus: {reply}")
        return reply["data"]

    # Waits until every target has been scraped successfully.
    def wait_for_scrapes(self):
        deadline = time.monotonic() + PATIENCE
        up = []
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                fail(f"Prometheus ended with status {self.process.returncode}")
            try:
                active = self.api("targets")["activeTargets"]
                up = sorted(t["labels"]["instance"] for t in active if t["health"] == "up")
                if up == sorted(self.targets):
                    return
            except OSError:
                pass
            time.sleep(0.2)
        fail(f"Prometheus scraped {up} of {self.targets} in {PATIENCE} s")

    def query(self, expression):
        return {(r["metric"].get("instance"), r["metric"].get("mode")): float(r["value"][1])
                for r in self.api("query", query=expression)["result"]}

    def end(self):
        self.process.terminate()
        self.process.wait(PATIENCE)
        self.log.close()
        if self.process.returncode != 0:
            print(open(self.log.name).read(), file=sys.stderr)


def check_benches(cli, prometheus):
    a, b = Bench(cli), Bench(cli)
    try:
        a.read("FREQ", 3)
        b.read("FREQ", 5)
        last = b.read("TOT", 4)[-1]
        with tempfile.TemporaryDirectory() as folder:
            server = Prometheus(prometheus, [a.metrics, b.metrics], folder)
            try:
                server.wait_for_scrapes()
                expected = {(a.metrics, "frequency"): 3, (b.metrics, "frequency"): 5,
                            (b.metrics, "count"): 4}
                found = {
                    "readings": server.query("pelmix_readings_total"),
                    "gaps": server.query("sum by (instance, mode) (pelmix_gaps_total)"),
                    "open ports": server.query("pelmix_port_open"),
                    "last count": server.query('pelmix_last_value{mode="count"}'),
                }
                wanted = {
                    "readings": expected,
                    "gaps": {key: 0 for key in expected},
                    "open ports": {(a.metrics, None): 1, (b.metrics, None): 1},
                    "last count": {(b.metrics, "count"): last},
                }
                if found != wanted:
                    fail(f"Prometheus has {found}, the benches measured {wanted}")
            finally:
                server.end()
    finally:
        a.end()
        b.end()


def lint(promtool, exposition):
    check = subprocess.run([promtool, "check", "metrics"], input=exposition, text=True,
                           capture_output=True, timeout=PATIENCE)
    if check.returncode != 0 or check.stdout or check.stderr:
        fail(f"promtool check metrics: {check.stdout}{check.stderr}\n{exposition}")


# serve's exposition after every mode, and that of a `measure` run as it goes.
def check_promtool(cli, promtool):
    bench = Bench(cli)
    try:
        for function in ("FREQ", "PER", "TINT", "TOT"):
            bench.read(function, 2)
        lint(promtool, get(f"http://{bench.metrics}/metrics"))
    finally:
        bench.end()

    run = subprocess.Popen([cli, "measure", "--simulate", "--mode", "count", "--count", "0",
                            "--metrics", "127.0.0.1:0"], stdout=subprocess.DEVNULL,
                           stderr=subprocess.PIPE, text=True)
    try:
        line = run.stderr.readline().strip()
        if not line.startswith("Metrics on "):
            fail(f"measure printed {line!r}, not Metrics on ADDRESS:PORT")
        url = f"http://{line[len('Metrics on '):]}/metrics"
        deadline = time.monotonic() + PATIENCE
        while "pelmix_readings_total{" not in (exposition := get(url)):
            if time.monotonic() > deadline:
                fail(f"measure counted no reading in {PATIENCE} s:\n{exposition}")
            time.sleep(0.1)
        lint(promtool, exposition)
    finally:
        run.terminate()
        run.wait(PATIENCE)


# The README's YAML blocks that begin with "# NAME", by NAME.
def readme_files(readme):
    with open(readme) as f:
        blocks = re.findall(r"```yaml\n# (\S+)\n(.*?)```", f.read(), re.S)
    return {name: f"# {name}\n{text}" for name, text in blocks}


def check_readme(promtool, readme, rules_test):
    files = readme_files(readme)
    if sorted(files) != ["pelmix-alerts.yml", "prometheus.yml"]:
        fail(f"the README's YAML files are {sorted(files)}")
    with tempfile.TemporaryDirectory() as folder:
        for name, text in files.items():
            with open(os.path.join(folder, name), "w") as f:
                f.write(text)
        shutil.copy(rules_test, folder)
        for command in (["check", "config", "prometheus.yml"],
                        ["test", "rules", os.path.basename(rules_test)]):
            run = subprocess.run([promtool, *command], cwd=folder, text=True,
                                 capture_output=True, timeout=PATIENCE)
            if run.returncode != 0:
                fail(f"promtool {' '.join(command)}:\n{run.stdout}{run.stderr}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=["benches", "promtool", "readme"])
    parser.add_argument("--cli", required=True)
    args = parser.parse_args()
    tool = "prometheus" if args.check == "benches" else "promtool"
    binary = shutil.which(tool)
    if not binary:
        print(f"{tool} is not installed (Debian package prometheus)")
        sys.exit(SKIP)
    if args.check == "readme":
        here = os.path.dirname(os.path.abspath(__file__))
        check_readme(binary, os.path.join(here, "..", "..", "README.md"),
                     os.path.join(here, "alerts_test.yml"))
    else:
        (check_benches if args.check == "benches" else check_promtool)(args.cli, binary)


if __name__ == "__main__":
    main()
