#!/usr/bin/env python3
"""Runs every benchmark pair for several rounds, the sides of a pair one
right after the other in an order that changes from round to round (see
round_order), then writes results.md, results.json and ratios.png and prints
the tables.

Run through scripts/bench, which builds and provides Wine."""
import argparse
import json
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from pairs import BoardPair, EchoPair, HttpPair, IdlePair, NetPair, Plan  # noqa: E402
from processes import BenchError, Context, Peer  # noqa: E402
import report  # noqa: E402
import rows  # noqa: E402


SIDES = ("project", "baseline", "luasocket")


def round_order(round_index):
    """The order of the sides in a round: the three rotations of SIDES, then
    the three of its reverse, so that in every six rounds each side runs in
    each place twice and each side runs before each other side three times."""
    sides = SIDES if round_index % 6 < 3 else SIDES[::-1]
    turn = round_index % 3
    return sides[turn:] + sides[:turn]


def run_rounds(pairs, rounds, first_round, log):
    """Every pair in every round, its sides one right after the other in the
    round's order (a pair without a LuaSocket side leaves it out); `first`
    tells a pair which of the project and the baseline comes first."""
    records = []
    for round_index in range(first_round, first_round + rounds):
        order = round_order(round_index)
        first = next(side for side in order if side in ("project", "baseline"))
        started = time.monotonic()
        for pair in pairs:
            for side in (side for side in order if side in pair.sides):
                for record in pair.run(side, round_index, first):
                    record["round"] = round_index
                    records.append(record)
        log("round %d (%s) took %.1f s" % (round_index + 1, ", ".join(order), time.monotonic() - started))
    return records


def summarize(row_list, records):
    return [rows.RowResult(row, records) for row in row_list]


PAIRS = {"tolva": NetPair, "echo": EchoPair, "http": HttpPair, "idle": IdlePair, "board": BoardPair}


def measure(context, plan, rounds, repeat, names, log):
    """Runs the named pairs; answers the records of each run."""
    if not context.wineserver:
        log("no wineserver found for %s: its CPU time is not counted" % context.prefix)
    per_run = []
    peer = Peer(context)
    try:
        pairs = [PAIRS[name](context, plan, peer) for name in names]
        for run in range(repeat):
            if repeat > 1:
                log("run %d of %d" % (run + 1, repeat))
            per_run.append(run_rounds(pairs, rounds, run * rounds, log))
    finally:
        peer.close()
    return per_run


def write_results(out, machine, plan, rounds, per_run, log, partial=False):
    """results.md, results.json and ratios.png; answers 1 if a row has no
    figures (a partial run shows only the rows of its pairs)."""
    records = [record for run_records in per_run for record in run_records]
    main_results = summarize(rows.main_rows(), records)
    growth_results = summarize(rows.growth_rows(plan), records)
    if partial:
        main_results = [r for r in main_results if r.rounds > 0]
        growth_results = [r for r in growth_results if r.rounds > 0]
    if len(per_run) > 1:
        for result in main_results + growth_results:
            ratios = (rows.RowResult(result.row, run_records).ratio for run_records in per_run)
            result.run_ratios = [x for x in ratios if x is not None]
    text = report.markdown(machine, plan, rounds, len(per_run), main_results, growth_results)
    with open(os.path.join(out, "results.md"), "w") as results:
        results.write(text)
    with open(os.path.join(out, "results.json"), "w") as raw:
        json.dump({"machine": machine, "quick": plan.quick, "rounds": rounds, "partial": partial,
                   "rows": report.summary(main_results + growth_results), "runs": per_run}, raw, indent=1)
    report.chart(os.path.join(out, "ratios.png"), machine, main_results, growth_results)
    print(text)
    missing = [r.row.key for r in main_results + growth_results if not r.complete()]
    if missing:
        log("no figures for: %s" % ", ".join(missing))
        return 1
    log("wrote %s (results.md, results.json, ratios.png)" % out)
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--quick", action="store_true", help="a few rounds of little work (seconds)")
    parser.add_argument("--rounds", type=int, help="rounds per run (default 6, --quick 2)")
    parser.add_argument("--repeat", type=int, default=1, help="independent runs, to show how far ratios move")
    parser.add_argument("--out", help="output directory (default build/bench, --quick build/bench/quick)")
    parser.add_argument("--from", dest="source", metavar="RESULTS_JSON",
                        help="only write the results again from the records of an earlier run")
    parser.add_argument("--pairs", default=",".join(PAIRS),
                        help="the pairs to run, of %s (default all)" % ", ".join(PAIRS))
    options = parser.parse_args()

    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    context = Context(root)

    def log(text):
        print("bench: " + text, flush=True)

    if options.source:
        with open(options.source) as earlier:
            saved = json.load(earlier)
        plan = Plan(saved["quick"])
        out = options.out or os.path.dirname(os.path.abspath(options.source))
        os.makedirs(out, exist_ok=True)
        return write_results(out, saved["machine"], plan, saved["rounds"], saved["runs"], log,
                             saved.get("partial", False))

    names = options.pairs.split(",")
    unknown = [name for name in names if name not in PAIRS]
    if unknown:
        parser.error("unknown pairs: %s" % ", ".join(unknown))
    plan = Plan(options.quick)
    rounds = options.rounds or plan.rounds
    out = options.out or (os.path.join(context.out, "quick") if options.quick else context.out)
    os.makedirs(out, exist_ok=True)
    machine = report.describe_machine(context)
    try:
        per_run = measure(context, plan, rounds, options.repeat, names, log)
    except BenchError as error:
        log("failed: %s" % error)
        return 1
    machine["load_after"] = report.load_average()
    return write_results(out, machine, plan, rounds, per_run, log, len(names) < len(PAIRS))


if __name__ == "__main__":
    sys.exit(main())
