#!/usr/bin/env python3
"""Runs every benchmark pair for several rounds, each side of a pair right
after the other and the order reversed every other round (project first in
even rounds, baseline first in odd ones), then writes results.md,
results.json and ratios.png and prints the tables.

Run through scripts/bench, which builds and provides Wine."""
import argparse
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pairs import BoardPair, EchoPair, IdlePair, NetPair, Plan  # noqa: E402
from processes import BenchError, Context, Peer  # noqa: E402
import report  # noqa: E402
import rows  # noqa: E402


def run_rounds(pairs, rounds, first_round, log):
    """Every pair in every round, both sides one right after the other: the
    project first in even rounds, the baseline first in odd ones."""
    records = []
    for round_index in range(first_round, first_round + rounds):
        order = ("project", "baseline") if round_index % 2 == 0 else ("baseline", "project")
        started = time.monotonic()
        for pair in pairs:
            for side in order:
                for record in pair.run(side, round_index, order[0]):
                    record["round"] = round_index
                    records.append(record)
        log("round %d (%s first) took %.1f s" % (round_index + 1, order[0], time.monotonic() - started))
    return records


def summarize(row_list, records):
    return [rows.RowResult(row, records) for row in row_list]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true", help="a few rounds of little work (seconds)")
    parser.add_argument("--rounds", type=int, help="rounds per run (default 6, --quick 2)")
    parser.add_argument("--repeat", type=int, default=1, help="independent runs, to show how far ratios move")
    parser.add_argument("--out", help="output directory (default build/bench, --quick build/bench/quick)")
    options = parser.parse_args()

    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    context = Context(root)
    plan = Plan(options.quick)
    rounds = options.rounds or plan.rounds
    out = options.out or (os.path.join(context.out, "quick") if options.quick else context.out)
    os.makedirs(out, exist_ok=True)

    def log(text):
        print("bench: " + text, flush=True)

    if not context.wineserver:
        log("no wineserver found for %s: its CPU time is not counted" % context.prefix)
    machine = report.describe_machine(context)
    main_rows, growth_rows = rows.main_rows(), rows.growth_rows(plan)
    all_records, per_run = [], []
    try:
        peer = Peer(context)
        try:
            pairs = [NetPair(context, plan, peer), EchoPair(context, plan), IdlePair(context, plan, peer),
                     BoardPair(context, plan)]
            for run in range(options.repeat):
                if options.repeat > 1:
                    log("run %d of %d" % (run + 1, options.repeat))
                records = run_rounds(pairs, rounds, run * rounds, log)
                all_records += records
                per_run.append(records)
        finally:
            peer.close()
    except BenchError as error:
        log("failed: %s" % error)
        return 1
    machine["load_after"] = report.load_average()

    main_results = summarize(main_rows, all_records)
    growth_results = summarize(growth_rows, all_records)
    if options.repeat > 1:
        for result in main_results + growth_results:
            ratios = (rows.RowResult(result.row, run_records).ratio for run_records in per_run)
            result.run_ratios = [x for x in ratios if x is not None]
    text = report.markdown(machine, plan, rounds, options.repeat, main_results, growth_results)
    with open(os.path.join(out, "results.md"), "w") as results:
        results.write(text)
    with open(os.path.join(out, "results.json"), "w") as raw:
        json.dump({"machine": machine, "quick": plan.quick, "rounds": rounds, "repeat": options.repeat,
                   "records": all_records}, raw, indent=1)
    report.chart(os.path.join(out, "ratios.png"), machine, main_results, growth_results)
    print(text)
    missing = [r.row.key for r in main_results + growth_results if not r.complete()]
    if missing:
        log("no figures for: %s" % ", ".join(missing))
        return 1
    log("wrote %s (results.md, results.json, ratios.png)" % out)
    return 0


if __name__ == "__main__":
    sys.exit(main())
