#!/usr/bin/env python3
"""Starts many exports without a window at once and reports how they ended.

Called by bench/load-test.sh, which starts the servers. Each export writes its
own file; every file is compared with the file of one export run alone first.
Each target holds an old file before the run: an export that fails must leave
it as it was. Prints exit statuses, the comparison, wall time, p50/p99 per
export, the peak of server connections and the peak memory of each export.
Exit status 0 when every export wrote the right file (with --restart: or
ended with 5 and kept the old file), else 1.
"""

import argparse
import collections
import fcntl
import os
import signal
import subprocess
import sys
import threading
import time

OLD = b"alte Datei\r\n"


def percentile(values, fraction):
    ordered = sorted(values)
    if not ordered:
        return 0.0
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def command(args, target):
    return [args.program, "--export", target, "--supplier", args.supplier,
            "--location", "Lager 1", "--wait", str(args.wait), "--",
            "1", "0", "DEMO", "demo", "127.0.0.1", str(args.port)]


def connection_counter(args):
    """Counts client sessions on the server's TOLVAN database through one
    session of the superuser, opened before the exports start (a full server
    keeps its reserved slots for it anyway)."""
    psql = subprocess.Popen(
        ["psql", "-X", "-At", "-h", "127.0.0.1", "-p", str(args.server_port),
         "-U", "postgres", "-d", "postgres"],
        stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)

    def count():
        if psql.poll() is not None:  # ended by a restart of the server
            return None
        try:
            psql.stdin.write("SELECT count(*) FROM pg_stat_activity "
                             "WHERE backend_type = 'client backend' AND datname = 'tolvan';\n")
            psql.stdin.flush()
        except BrokenPipeError:
            return None
        line = psql.stdout.readline().strip()
        return int(line) if line.isdigit() else None

    return psql, count


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--exports", type=int, required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--port", type=int, required=True, help="where the exports connect")
    parser.add_argument("--server-port", type=int, required=True, help="the PostgreSQL server")
    parser.add_argument("--supplier", default="999")
    parser.add_argument("--wait", type=int, default=15)
    parser.add_argument("--restart-after", type=float)
    parser.add_argument("--restart-command")
    parser.add_argument("--time-limit", type=float, default=1800)
    parser.add_argument("--pooler-pid", type=int)
    args = parser.parse_args()

    home = os.path.join(args.work, "home")
    out = os.path.join(args.work, "out")
    os.makedirs(home, exist_ok=True)
    os.makedirs(out, exist_ok=True)
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local/share"), TOLVAN_SERVER="postgres")
    env.pop("TOLVAN_PASSWORD", None)

    # One export alone: the reference file and time.
    reference = os.path.join(args.work, "allein.csv")
    begun = time.monotonic()
    alone = subprocess.run(command(args, reference), env=env, capture_output=True, check=False)
    alone_seconds = time.monotonic() - begun
    if alone.returncode != 0:
        sys.stderr.write(alone.stderr.decode("utf-8", "replace"))
        print(f"Der Export allein endete mit {alone.returncode}.")
        return 1
    with open(reference, "rb") as file:
        expected = file.read()
    lines = expected.count(b"\r\n")
    print(f"Allein: {alone_seconds:.2f} s, {lines} Zeilen, {len(expected)} Bytes")

    targets = [os.path.join(out, f"export{i:04d}.csv") for i in range(args.exports)]
    for target in targets:
        with open(target, "wb") as file:
            file.write(OLD)

    peak = {"connections": 0}
    stop = threading.Event()
    counter, count_connections = connection_counter(args)

    def sample():
        while not stop.is_set():
            count = count_connections()
            if count is not None:
                peak["connections"] = max(peak["connections"], count)
            stop.wait(0.25)

    sampler = threading.Thread(target=sample, daemon=True)
    sampler.start()

    restarted = {}

    def restart():
        if not stop.wait(args.restart_after):
            at = time.monotonic() - started
            result = subprocess.run(args.restart_command, shell=True, capture_output=True,
                                    check=False)
            restarted["at"] = at
            restarted["took"] = time.monotonic() - started - at
            restarted["status"] = result.returncode

    # Every export waits behind a lock until all are spawned, then all start
    # at once, as a thousand desktops do at six o'clock.
    gate = open(os.path.join(args.work, "start"), "wb")
    fcntl.flock(gate, fcntl.LOCK_EX)
    spawning = time.monotonic()
    running = {}
    for index, target in enumerate(targets):
        # Spawned, not forked from this big process: a thousand start within
        # seconds. Each log is closed here at once, so no export inherits
        # another's.
        with open(os.path.join(out, f"export{index:04d}.log"), "wb") as log:
            process = subprocess.Popen(["flock", "-s", gate.name] + command(args, target), env=env,
                                       stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                       close_fds=False)
        running[process.pid] = (index, process)
    launched = time.monotonic() - spawning
    started = time.monotonic()
    fcntl.flock(gate, fcntl.LOCK_UN)
    gate.close()
    restarter = None
    if args.restart_after is not None:
        restarter = threading.Thread(target=restart, daemon=True)
        restarter.start()

    statuses = {}
    seconds = {}
    memory = {}
    killed = 0
    # Each export is waited for by its own id: the sampler's and the restart's
    # programs are their threads' to wait for.
    while running:
        if not killed and time.monotonic() - started > args.time_limit:
            for pid in running:
                os.kill(pid, signal.SIGKILL)
            killed = len(running)
        for pid in list(running):
            done, status, usage = os.wait4(pid, os.WNOHANG)
            if done == 0:
                continue
            index, process = running.pop(pid)
            process.returncode = os.waitstatus_to_exitcode(status)
            statuses[index] = process.returncode
            seconds[index] = time.monotonic() - started
            memory[index] = usage.ru_maxrss / 1024  # MB
        time.sleep(0.02)
    wall = time.monotonic() - started
    stop.set()
    sampler.join()
    try:
        counter.stdin.close()
    except BrokenPipeError:
        pass
    counter.wait()
    if restarter:
        restarter.join()

    same = kept = other = 0
    wrong = []
    for index, target in enumerate(targets):
        with open(target, "rb") as file:
            written = file.read()
        if written == expected:
            same += 1
            good = statuses[index] == 0
        elif written == OLD:
            kept += 1
            good = statuses[index] != 0 and (args.restart_after is not None and
                                              statuses[index] == 5)
        else:
            other += 1
            good = False
        if not good:
            wrong.append(index)

    print(f"Alle {args.exports} in {launched:.1f} s gestartet und dann zugleich losgelassen; "
          f"Gesamtzeit ab da {wall:.1f} s")
    if restarted:
        print(f"Server neu gestartet bei {restarted['at']:.1f} s "
              f"(Dauer {restarted['took']:.1f} s, Rückgabewert {restarted['status']})")
    counted = collections.Counter(statuses.values())
    print("Rückgabewerte: " + ", ".join(f"{code}: {count}"
                                         for code, count in sorted(counted.items())))
    if killed:
        print(f"Nach {args.time_limit:.0f} s abgebrochen: {killed}")
    print(f"Dateien: {same} gleich der allein geschriebenen, {kept} alte Datei behalten, "
          f"{other} anders")
    times = list(seconds.values())
    print(f"Je Export: p50 {percentile(times, 0.5):.1f} s, p99 {percentile(times, 0.99):.1f} s, "
          f"höchstens {max(times):.1f} s")
    print(f"Verbindungen am Server (höchstens, alle 0.25 s gezählt): {peak['connections']}")
    sizes = list(memory.values())
    line = (f"Speicher je Export (Spitze): p50 {percentile(sizes, 0.5):.1f} MB, "
            f"höchstens {max(sizes):.1f} MB")
    if args.pooler_pid:
        try:
            with open(f"/proc/{args.pooler_pid}/status", encoding="ascii") as status:
                for entry in status:
                    if entry.startswith("VmHWM:"):
                        line += f"; PgBouncer {int(entry.split()[1]) / 1024:.1f} MB"
        except OSError:
            pass
    print(line)
    for index in wrong[:5]:
        with open(os.path.join(out, f"export{index:04d}.log"), "rb") as log:
            text = log.read().decode("utf-8", "replace").strip()
        print(f"-- Export {index}, Rückgabewert {statuses.get(index)}:\n{text}")
    return 0 if not wrong else 1


if __name__ == "__main__":
    sys.exit(main())
