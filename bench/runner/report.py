"""The results as text (results.md, also printed) and as a chart of the
ratios (ratios.png)."""
import datetime
import os
import platform
import subprocess

import rows


def load_average():
    try:
        with open("/proc/loadavg") as loads:
            return " ".join(loads.read().split()[:3])
    except OSError:
        return "?"


def describe_machine(context):
    model = "?"
    try:
        with open("/proc/cpuinfo") as cpuinfo:
            for line in cpuinfo:
                if line.startswith("model name"):
                    model = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    try:
        wine = subprocess.run([context.wine, "--version"], capture_output=True, text=True,
                              timeout=60).stdout.strip()
    except (OSError, subprocess.TimeoutExpired):
        wine = "?"
    return {"date": datetime.datetime.now().strftime("%Y-%m-%d %H:%M"), "cpus": os.cpu_count(),
            "cpu_model": model, "wine": wine, "kernel": platform.release(), "load_before": load_average()}


def number(value):
    """Three significant digits, without an exponent."""
    if value is None:
        return "-"
    magnitude = abs(value)
    if magnitude >= 100:
        return "%.0f" % value
    if magnitude >= 10:
        return "%.1f" % value
    if magnitude >= 1:
        return "%.2f" % value
    return "%.3g" % value


def spread(values):
    return "%s..%s" % (number(min(values)), number(max(values))) if values else "-"


def side_cell(values):
    if not values:
        return "-"
    values = sorted(values)
    middle = values[len(values) // 2] if len(values) % 2 else (values[len(values) // 2 - 1] +
                                                                 values[len(values) // 2]) / 2
    return "%s (%s)" % (number(middle), spread(values))


def ratio_cell(ratio, values):
    if ratio is None:
        return "-"
    return "**%.2fx** (%s)" % (ratio, spread(values)) if values else "**%.2fx**" % ratio


def cpu_cell(r):
    if r.cpu_ratio is None:
        return "-"
    cell = "%.2fx (%s / %s %s)" % (r.cpu_ratio, number(r.cpu_project), number(r.cpu_baseline), r.row.cpu_unit)
    if r.cpu_luasocket is not None:
        cell += "; LuaSocket %s" % number(r.cpu_luasocket)
    return cell


def wakeups_cell(r):
    if not r.wakeups:
        return "-"
    return " / ".join(number(r.wakeups.get(side)) for side in ("project", "baseline", "luasocket"))


def table(results, repeat):
    head = ("| row | project | baseline | LuaSocket | ratio (per round) | ratio to LuaSocket (per round) "
            "| CPU ratio (project / baseline) | unit | better | rounds |")
    rule = "|---|---|---|---|---|---|---|---|---|---|"
    wakeups = any(r.wakeups for r in results)
    if wakeups:
        head += " wake-ups per s (project / baseline / LuaSocket) |"
        rule += "---|"
    if repeat > 1:
        head += " ratio over %d runs |" % repeat
        rule += "---|"
    lines = [head, rule]
    for r in results:
        line = "| %s | %s | %s | %s | %s | %s | %s | %s | %s | %d |" % (
            r.row.title, side_cell(r.project), side_cell(r.baseline), side_cell(r.luasocket),
            ratio_cell(r.ratio, r.round_ratios), ratio_cell(r.luasocket_ratio, r.luasocket_round_ratios), cpu_cell(r),
            r.row.unit, r.row.better, r.rounds)
        if wakeups:
            line += " %s |" % wakeups_cell(r)
        if repeat > 1:
            line += " %s |" % spread(r.run_ratios)
        lines.append(line)
    return "\n".join(lines)


def summary(results):
    """The rows' figures for results.json: medians of each side and ratios."""
    return [{"row": r.row.key, "title": r.row.title, "unit": r.row.unit, "better": r.row.better,
             "project": median_of(r.project), "baseline": median_of(r.baseline), "luasocket": median_of(r.luasocket),
             "ratio": r.ratio, "ratio_to_luasocket": r.luasocket_ratio, "wakeups_per_second": r.wakeups or None}
            for r in results]


def median_of(values):
    return rows.median(values) if values else None


def markdown(machine, plan, rounds, repeat, main_results, growth_results):
    mode = "quick" if plan.quick else "full"
    runs = "" if repeat == 1 else ", %d independent runs pooled" % repeat
    return "\n".join([
        "# Benchmark results",
        "",
        "%s, %s run: %d rounds%s. Machine: %d CPUs, %s; %s; Linux %s; load average %s before, %s after."
        % (machine["date"], mode, rounds, runs, machine["cpus"], machine["cpu_model"], machine["wine"],
           machine["kernel"], machine["load_before"], machine.get("load_after", "?")),
        "",
        "Each row pairs a project operation with a bare baseline in plain C against the same platform calls, "
        "run under the same Wine against the same native loopback peer. The rows a script author would "
        "compare also run a LuaSocket script (LuaSocket built from the distribution's source package for the "
        "stock Lua 5.1 interpreter; only a benchmark peer) doing the same work in that library's own idiom. "
        "The sides run one right after the other in every round, in an order that rotates from round to "
        "round. A side's figure is the median over the rounds (min..max in brackets); the ratio is project / "
        "baseline of the medians, and the ratio to LuaSocket project / LuaSocket, each with the min..max of "
        "the per-round ratios. \"better\" says which way the unit is good: for lower-is-better rows a ratio "
        "above 1 means the project is slower, for higher-is-better rows below 1 does. The CPU ratio compares "
        "CPU time per unit of work: the process's threads plus the wineserver, read from /proc over the "
        "measured loop. The idle rows also count wake-ups: the context switches of the process's threads and "
        "the wineserver's over the window.",
        "",
        "## The rows",
        "",
        table(main_results, repeat),
        "",
        "## How the costs grow with the work",
        "",
        "Boards open: %s; concurrent echo clients: %s; text sizes: %s."
        % (", ".join(str(n) for n in plan.boards), ", ".join(str(n) for n in plan.clients),
           ", ".join(rows.size_name(s) for s in plan.sizes)),
        "",
        table(growth_results, repeat),
        "",
    ])


def percentiles(values, low, high):
    """The low and high percentiles of some values (nearest rank)."""
    if not values:
        return (1.0, 1.0)
    ordered = sorted(values)

    def at(percent):
        return ordered[min(len(ordered) - 1, int(round(percent / 100 * (len(ordered) - 1))))]

    return (at(low), at(high))


def axis_limits(results):
    """From 0.2x to 5x, wider where a ratio lies beyond."""
    ratios = [x for r in results for x in [r.ratio, r.luasocket_ratio] + r.round_ratios + r.luasocket_round_ratios
              if x]
    return (min([0.2] + [x / 1.3 for x in ratios]), max([5.0] + [x * 1.3 for x in ratios]))


def chart(path, machine, main_results, growth_results):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    panels = [("The rows", [r for r in main_results if r.ratio is not None]),
              ("Growth with boards, clients and sizes", [r for r in growth_results if r.ratio is not None])]
    heights = [max(len(results), 1) for _, results in panels]
    figure_height = 1.4 + 0.36 * sum(heights)
    figure, axes = plt.subplots(2, 1, figsize=(10, figure_height),
                                gridspec_kw={"height_ratios": heights})
    colours = {"lower": "#d08030", "higher": "#3070b0"}
    for axis, (title, results) in zip(axes, panels):
        positions = list(range(len(results)))[::-1]
        # Against the bare baseline, and below it against LuaSocket (hatched)
        # where the row has that side: bars grow from 1x, so that a row's
        # distance from the other side shows.
        bars = []
        for position, r in zip(positions, results):
            if r.luasocket_ratio is None:
                bars.append((position, 0.7, r.ratio, r.round_ratios, r.row.better, False))
            else:
                bars.append((position + 0.19, 0.36, r.ratio, r.round_ratios, r.row.better, False))
                bars.append((position - 0.19, 0.36, r.luasocket_ratio, r.luasocket_round_ratios, r.row.better, True))
        for y, height, ratio, round_ratios, better, luasocket in bars:
            axis.barh([y], [ratio - 1], left=1, height=height, color=colours[better],
                      alpha=0.55 if luasocket else 1.0, hatch="////" if luasocket else None, edgecolor="white")
            # The spread of the per-round ratios: all of it thin, the middle half bold.
            for low, high, width, colour in ((0, 100, 0.8, "#999999"), (25, 75, 2.2, "#222222")):
                ends = percentiles(round_ratios, low, high)
                axis.hlines([y], [ends[0]], [ends[1]], color=colour, linewidth=width)
        axis.set_yticks(positions)
        axis.set_yticklabels([r.row.label for r in results], fontsize=8)
        axis.axvline(1.0, color="black", linewidth=1)
        axis.set_xscale("log")
        low, high = axis_limits(results)
        steps = (0.25, 0.5, 0.75, 1, 1.5, 2, 3, 4) if high - low < 5 else (0.125, 0.25, 0.5, 1, 2, 4, 8, 16, 32, 64, 128)
        ticks = [t for t in steps if low <= t <= high]
        axis.set_xticks(ticks)
        axis.set_xticklabels(["%gx" % t for t in ticks])
        axis.set_xlim(low, high)
        axis.set_title(title, fontsize=10)
        axis.grid(axis="x", color="#dddddd", linewidth=0.5)
        axis.set_axisbelow(True)
    handles = [plt.Rectangle((0, 0), 1, 1, color=colours["lower"]),
               plt.Rectangle((0, 0), 1, 1, color=colours["higher"]),
               plt.Rectangle((0, 0), 1, 1, facecolor="#888888", alpha=0.55, hatch="////", edgecolor="white")]
    axes[0].legend(handles, ["time or cost: above 1x the project is slower",
                             "rate: below 1x the project is slower",
                             "hatched: tolva / LuaSocket, the same work in a LuaSocket script"],
                   fontsize=7, loc="lower right")
    figure.suptitle("project / bare baseline, and tolva / LuaSocket where a script author would compare them\n"
                    "(bars: ratio of medians; lines: per-round ratios, thin min..max, bold middle half)\n"
                    "%s, %d CPUs, %s, %s" % (machine["date"], machine["cpus"], machine["cpu_model"], machine["wine"]),
                    fontsize=9)
    figure.tight_layout(rect=(0, 0, 1, 1 - 0.45 / figure_height))  # below the three lines of the title
    figure.savefig(path, dpi=110)
    plt.close(figure)
