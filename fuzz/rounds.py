#!/usr/bin/env python3
"""Runs fuzz targets in rounds until each has its CPU time, and keeps a ledger of every run.

A round gives each unfinished target of the queue one piece (15 minutes by default), the
target with the least time first, so a finding in any target shows within the first round
instead of after hours spent on targets that a fix would send back to zero. Time is the
fuzzer's own user plus system time (its forked jobs included), so queues that share the
cores cost wall time, never counted time.

    rounds.py run --build build-fuzz --work RUNS --queue inflate,explode --until 12:50
    rounds.py table --work RUNS        # one line per target and sanitizer, as a table
    rounds.py merge --build build-fuzz --work RUNS   # fold the run corpora into corpus/

RUNS holds ledger.tsv, each target's run corpus and its findings (crash-, timeout-, oom-
files). Start a queue or more per core on the same RUNS and targets (reader and writer
targets wait on their files, so three on two cores keep both busy): they share the ledger
and never take the same target at once. A row whose
commit is "carried" stands for runs made at the same code on another machine.
"""
import argparse
import datetime
import fcntl
import os
import re
import subprocess
import sys
import time

LEDGER_COLUMNS = ["target", "sanitizer", "commit", "started", "wall_s", "cpu_s", "runs",
                  "executions", "crashes", "timeouts", "ooms"]
FUZZ_FLAGS = ["-fork=1", "-ignore_crashes=1", "-ignore_timeouts=1", "-ignore_ooms=1",
              "-timeout=10", "-max_len=4096"]
SHORTEST_PIECE_S = 120
HERE = os.path.dirname(os.path.abspath(__file__))


def read_ledger(work):
    path = os.path.join(work, "ledger.tsv")
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as ledger:
        lines = [line.rstrip("\n").split("\t") for line in ledger if line.strip()]
    return [dict(zip(LEDGER_COLUMNS, fields)) for fields in lines[1:]]


def append_to_ledger(work, row):
    path = os.path.join(work, "ledger.tsv")
    with open(path, "a", encoding="utf-8") as ledger:
        fcntl.flock(ledger, fcntl.LOCK_EX)
        if ledger.tell() == 0:
            ledger.write("\t".join(LEDGER_COLUMNS) + "\n")
        ledger.write("\t".join(str(row[column]) for column in LEDGER_COLUMNS) + "\n")


def cpu_seconds_by_target(work, sanitizer):
    totals = {}
    for row in read_ledger(work):
        if row["sanitizer"] == sanitizer:
            totals[row["target"]] = totals.get(row["target"], 0.0) + float(row["cpu_s"])
    return totals


def last_count(pattern, text, flags=0):
    found = re.findall(pattern, text, flags)
    return int(found[-1]) if found else 0


def run_piece(args, target, seconds):
    """Fuzzes target for seconds of wall time; returns its ledger row."""
    corpus = os.path.join(args.work, "corpus", target)
    findings = os.path.join(args.work, "findings", target)
    os.makedirs(corpus, exist_ok=True)
    os.makedirs(findings, exist_ok=True)
    started = datetime.datetime.now().isoformat(timespec="seconds")
    times = os.path.join(args.work, f"time-{target}.txt")
    log = os.path.join(args.work, "logs", f"{target}-{started}.log")
    os.makedirs(os.path.dirname(log), exist_ok=True)
    command = ["/usr/bin/time", "-f", "%U %S", "-o", times, "nice", "-n", "19",
               os.path.join(args.build, "fuzz", f"fuzz_{target}"), *FUZZ_FLAGS,
               f"-rss_limit_mb={args.rss_limit_mb}", f"-max_total_time={seconds}",
               f"-artifact_prefix={findings}/", corpus,
               os.path.join(HERE, "corpus", target)]
    began = time.monotonic()
    with open(log, "w", encoding="utf-8") as out:
        subprocess.run(command, stdout=out, stderr=subprocess.STDOUT, cwd=args.work,
                       env=scratch_environment(args.scratch), check=False)
    with open(times, encoding="utf-8") as measured:
        user, system = (float(value) for value in measured.read().split()[-2:])
    with open(log, encoding="utf-8", errors="replace") as out:
        text = out.read()
    # The fork parent's status line: "#N: cov: ... oom/timeout/crash: a/b/c ...".
    status = re.findall(r"oom/timeout/crash: (\d+)/(\d+)/(\d+)", text)
    ooms, timeouts, crashes = (int(value) for value in status[-1]) if status else (0, 0, 0)
    return {"target": target, "sanitizer": args.sanitizer, "commit": args.commit,
            "started": started, "wall_s": round(time.monotonic() - began),
            "cpu_s": round(user + system, 1), "runs": 1,
            "executions": last_count(r"^#(\d+):", text, re.M) or last_count(r"#(\d+)\s", text),
            "crashes": crashes, "timeouts": timeouts, "ooms": ooms}


def scratch_environment(scratch):
    """The fuzzer's environment, its temporary files (the engine's scratch archives and the
    fork mode's own) in scratch. On a memory file system their fsync costs nothing, so the
    reader and writer targets spend their time in the engine instead of waiting on a disk."""
    environment = dict(os.environ)
    if scratch:
        environment["TMPDIR"] = scratch
    return environment


def deadline_from(until):
    hour, minute = (int(part) for part in until.split(":"))
    now = datetime.datetime.now()
    end = now.replace(hour=hour, minute=minute, second=0, microsecond=0)
    return end if end > now else end + datetime.timedelta(days=1)


def busy_targets(work):
    """Targets that a live queue sharing work is fuzzing now."""
    busy = set()
    for name in os.listdir(work):
        if name.startswith("running-"):
            with open(os.path.join(work, name), encoding="utf-8") as marker:
                pid = int(marker.read() or 0)
            if pid and os.path.exists(f"/proc/{pid}"):
                busy.add(name[len("running-"):])
    return busy


def claim_next_target(args, goal):
    """The unfinished target with the least time that no other queue is on, marked as ours."""
    with open(os.path.join(args.work, "pick.lock"), "w", encoding="utf-8") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        busy = busy_targets(args.work)
        done_by_target = cpu_seconds_by_target(args.work, args.sanitizer)
        pending = sorted((done_by_target.get(t, 0.0), t)
                         for t in args.queue.split(",") if t not in busy)
        pending = [entry for entry in pending if entry[0] < goal]
        if not pending:
            return None, 0
        done, target = pending[0]
        with open(os.path.join(args.work, f"running-{target}"), "w", encoding="utf-8") as mark:
            mark.write(str(os.getpid()))
        return target, done


def run_queue(args):
    """Pieces until the deadline or until every target has its time. Queues that share work
    and a target list split it between them, never fuzzing one target twice at once."""
    goal = args.hours * 3600
    deadline = deadline_from(args.until)
    while True:
        left = (deadline - datetime.datetime.now()).total_seconds()
        if left < SHORTEST_PIECE_S:
            return
        target, done = claim_next_target(args, goal)
        if target is None:
            return
        # A little over what is missing, since a shared core gives less than a second a second.
        seconds = int(min(args.piece, left, max(SHORTEST_PIECE_S, (goal - done) * 1.1)))
        try:
            row = run_piece(args, target, seconds)
            append_to_ledger(args.work, row)
        finally:
            os.remove(os.path.join(args.work, f"running-{target}"))
        print("\t".join(str(row[c]) for c in LEDGER_COLUMNS), flush=True)


def print_table(args):
    totals = {}
    for row in read_ledger(args.work):
        key = (row["target"], row["sanitizer"])
        total = totals.setdefault(key, {"runs": 0, "cpu_s": 0.0, "executions": 0,
                                        "findings": 0})
        total["runs"] += int(row["runs"])
        total["cpu_s"] += float(row["cpu_s"])
        total["executions"] += int(row["executions"])
        total["findings"] += sum(int(row[c]) for c in ("crashes", "timeouts", "ooms"))
    print("| Target | Sanitizers | Runs | CPU-hours | Executions | Findings | Corpus (run / in repo) |")
    print("|---|---|---|---|---|---|---|")
    for (target, sanitizer), total in sorted(totals.items()):
        run_corpus = os.path.join(args.work, "corpus", target)
        kept = len(os.listdir(os.path.join(HERE, "corpus", target)))
        found = len(os.listdir(run_corpus)) if os.path.isdir(run_corpus) else "—"
        print(f"| {target} | {sanitizer} | {total['runs']} | {total['cpu_s'] / 3600:.2f} "
              f"| {total['executions']:,} | {total['findings']} | {found} / {kept} |")
    hours = sum(total["cpu_s"] for total in totals.values()) / 3600
    print(f"\nTotal: {hours:.2f} CPU-hours")


def merge_run_corpora(args):
    """Folds each run corpus into the kept one. Every kept input stays (the regressions among
    them); a run input is added only where it brings coverage the kept ones lack. With
    --queue, only those targets: two merges with halves of the list share two cores."""
    targets = sorted(os.listdir(os.path.join(args.work, "corpus")))
    if args.queue:
        wanted = set(args.queue.split(","))
        targets = [target for target in targets if target in wanted]
    for target in targets:
        kept = os.path.join(HERE, "corpus", target)
        before = len(os.listdir(kept))
        subprocess.run([os.path.join(args.build, "fuzz", f"fuzz_{target}"),
                        "-set_cover_merge=1", f"-rss_limit_mb={args.rss_limit_mb}",
                        "-timeout=10", kept, os.path.join(args.work, "corpus", target)],
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       env=scratch_environment(args.scratch), check=False)
        print(f"{target}: {before} kept, {len(os.listdir(kept)) - before} added", flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("action", choices=["run", "table", "merge"])
    parser.add_argument("--work", required=True, help="folder of the ledger and run corpora")
    parser.add_argument("--build", default="build-fuzz")
    parser.add_argument("--queue", help="comma-separated target names, without fuzz_")
    parser.add_argument("--until", default="23:59", help="HH:MM: start no piece after it")
    parser.add_argument("--hours", type=float, default=2.0, help="CPU-hours per target")
    parser.add_argument("--piece", type=int, default=900, help="seconds of one piece")
    parser.add_argument("--sanitizer", default="Address, UB")
    parser.add_argument("--rss-limit-mb", type=int, default=2048)
    parser.add_argument("--scratch", default="/dev/shm" if os.path.isdir("/dev/shm") else "",
                        help="folder for temporary files (TMPDIR); empty keeps the caller's")
    parser.add_argument("--commit", default=subprocess.run(
        ["git", "-C", HERE, "rev-parse", "--short", "HEAD"], capture_output=True,
        text=True, check=False).stdout.strip())
    args = parser.parse_args()
    args.work = os.path.abspath(args.work)
    args.build = os.path.abspath(args.build)
    if args.action == "table":
        print_table(args)
    elif args.action == "merge":
        merge_run_corpora(args)
    elif not args.queue:
        sys.exit("run needs --queue")
    else:
        run_queue(args)


if __name__ == "__main__":
    main()
