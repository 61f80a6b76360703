"""The rows of the results: what each compares, in which unit, and how a
record of either side becomes a figure.

A record says that `n` operations took `wall` seconds and `cpu_process` plus
`cpu_wineserver` seconds of CPU (or only `cpu`, the program's own account,
where nothing was measured from outside); some carry a `value` of their own,
the idle ones `wakeups_process` and `wakeups_wineserver`. A record's side is
the project, its bare baseline or, on the rows a script author would compare,
LuaSocket. Every ratio is project / baseline (or project / LuaSocket) in the
row's unit: for times and costs above 1 is slower, for rates below 1 is
slower ("better" says which way)."""
import statistics

from pairs import HTTP_CONCURRENCY

KIB = 1024
MIB = 1024 * 1024


def cpu_seconds(record):
    if "cpu_process" in record:
        return record["cpu_process"] + record.get("cpu_wineserver", 0.0)
    return record.get("cpu", 0.0)


class Row:
    def __init__(self, key, title, unit, better, value, cpu=None, cpu_unit="", baseline_key=None, label=None,
                 luasocket=False):
        self.key = key
        self.baseline_key = baseline_key or key
        # The LuaSocket side, on the rows that have one, does the same work.
        self.luasocket_key = key if luasocket else None
        self.title = title
        self.label = label or title
        self.unit = unit
        self.better = better  # "lower" or "higher"
        self.value = value
        self.cpu = cpu
        self.cpu_unit = cpu_unit


def per_op(scale):
    return lambda r: r["wall"] / r["n"] * scale


def cpu_per_op(scale):
    return lambda r: cpu_seconds(r) / r["n"] * scale


def megabytes_per_second(size):
    return lambda r: size * r["n"] / r["wall"] / 1e6


def cpu_per_megabyte(size):
    return lambda r: cpu_seconds(r) / (size * r["n"] / 1e6) * 1e3


def size_name(size):
    if size >= MIB:
        return "%d MiB" % (size // MIB)
    if size >= KIB:
        return "%d KiB" % (size // KIB)
    return "%d B" % size


def pingpong():
    return Row("pingpong", "tolva ping-pong: tSend/tRecv of a 16-byte line vs C send/recv(1024); LuaSocket: "
               "send, receive() of a line", "µs per round trip", "lower", per_op(1e6), cpu_per_op(1e6), "µs",
               label="ping-pong", luasocket=True)


def call():
    return Row("call", "trivial script function: tGetCount vs an empty C function in the same host", "ns per call",
               "lower", per_op(1e9), cpu_per_op(1e9), "ns", label="trivial function")


def binding_call():
    return Row("binding-call", "script-function call through the binding: BenchEmpty vs the same function called "
               "by the runtime without the binding (a plain lua_CFunction)", "ns per call", "lower", per_op(1e9),
               cpu_per_op(1e9), "ns", label="binding's call")


ECHO_LUASOCKET = "LuaSocket: one script loop over socket.select"


def echo_latency(clients):
    return Row("echo-latency:%d" % clients,
               "callback echo latency: the echo example vs a C thread-per-connection echo, %d client%s; %s"
               % (clients, "" if clients == 1 else "s", ECHO_LUASOCKET),
               "µs per line", "lower", lambda r: r["value"], cpu_per_op(1e6), "µs per line",
               label="echo latency, %d client%s" % (clients, "" if clients == 1 else "s"), luasocket=True)


def echo_pipelined(clients):
    return Row("echo-pipelined:%d" % clients,
               "callback echo, pipelined lines: the echo example vs a C thread-per-connection echo, %d client%s; %s"
               % (clients, "" if clients == 1 else "s", ECHO_LUASOCKET),
               "lines/s", "higher", lambda r: r["n"] / r["wall"], cpu_per_op(1e6), "µs per line",
               label="echo pipelined, %d client%s" % (clients, "" if clients == 1 else "s"), luasocket=True)


def connection_rate(concurrency):
    return Row("http:%d" % concurrency,
               "connection rate: the web server example on callbacks, one request a connection under an HTTP load "
               "client with %d connections at a time, vs the same responder in C with a thread per connection; "
               "LuaSocket: the responder in one script loop over socket.select" % concurrency,
               "requests/s", "higher", lambda r: r["n"] / r["wall"], cpu_per_op(1e6), "µs per request",
               label="connection rate, %d at a time" % concurrency, luasocket=True)


OVERLAPPED = ("attribution: C with the calls tolva makes so that a release can end them (overlapped, each "
              "waited on its completion event beside a release event) vs ")


def pingpong_overlapped():
    return Row("pingpong-overlapped", OVERLAPPED + "C's plain send and recv(1024), ping-pong of a 16-byte line",
               "µs per round trip", "lower", per_op(1e6), cpu_per_op(1e6), "µs", baseline_key="pingpong",
               label="ping-pong, C overlapped")


def bulk_send_overlapped(size):
    return Row("send-overlapped:%d" % size, OVERLAPPED + "C's plain send, %s strings" % size_name(size), "MB/s",
               "higher", megabytes_per_second(size), cpu_per_megabyte(size), "ms per MB",
               baseline_key="send:%d" % size, label="send %s, C overlapped" % size_name(size))


def bulk_send(size):
    return Row("send:%d" % size, "bulk tSend of %s strings vs a C send loop; LuaSocket: send" % size_name(size),
               "MB/s", "higher", megabytes_per_second(size), cpu_per_megabyte(size), "ms per MB",
               label="tSend %s" % size_name(size), luasocket=True)


def receive_loop(size):
    return Row("recv:%d" % size,
               "tRecv loop (1024 bytes a call), %s a request, vs a C recv(1024) loop; LuaSocket: receive(n) of as "
               "much a call (its design can take a whole request in one call)" % size_name(size), "MB/s",
               "higher", megabytes_per_second(size), cpu_per_megabyte(size), "ms per MB",
               label="tRecv loop, %s" % size_name(size), luasocket=True)


def idle_cpu(r):
    return cpu_seconds(r) / r["wall"] * 1e3


IDLE_BASELINE = ", the script blocked in one tWait, vs a C process blocked in one wait"


def idle():
    return Row("idle", "30 idle served TCP connections" + IDLE_BASELINE, "CPU ms per s", "lower", idle_cpu,
               label="30 idle connections")


def idle_udp():
    return Row("idle-udp", "30 idle served UDP slots" + IDLE_BASELINE, "CPU ms per s", "lower", idle_cpu,
               baseline_key="idle", label="30 idle UDP slots")


def idle_unconnected():
    return Row("idle-unconnected", "30 served TCP slots not yet connected" + IDLE_BASELINE, "CPU ms per s",
               "lower", idle_cpu, baseline_key="idle", label="30 unconnected TCP slots")


def idle_listener():
    return Row("idle-listener", "a served listener with 29 idle served connections" + IDLE_BASELINE +
               "; LuaSocket: the listener and the connections in one socket.select", "CPU ms per s", "lower",
               idle_cpu, baseline_key="idle", label="listener, 29 idle connections", luasocket=True)


def idle_threads():
    return Row("idle-threads", "attribution: a C process blocked in one wait beside 30 threads blocked in waits of "
               "their own, as 30 served slots have, vs a C process blocked in one wait", "CPU ms per s", "lower",
               idle_cpu, baseline_key="idle", label="C, 30 blocked threads")


def draw(boards):
    return Row("draw:%d" % boards,
               "drawing request vs its GDI sequence done bare, %d board%s open" % (boards, "" if boards == 1 else "s"),
               "µs per request", "lower", per_op(1e6), cpu_per_op(1e6), "µs",
               label="drawing request, %d board%s" % (boards, "" if boards == 1 else "s"))


def repaint(boards):
    return Row("repaint:%d" % boards,
               "full canvas repaint vs a plain window whose WM_PAINT only blits, %d board%s open"
               % (boards, "" if boards == 1 else "s"),
               "µs per repaint", "lower", per_op(1e6), cpu_per_op(1e6), "µs",
               label="canvas repaint, %d board%s" % (boards, "" if boards == 1 else "s"))


def preview(boards):
    # The wall time is the canvas's own over the message; the CPU time of the
    # loop would be mostly the cursor moves around it, so there is none.
    return Row("preview:%d" % boards,
               "rectangle preview, one mouse move vs the cursor read and two inverted outlines on one context, "
               "%d board%s open" % (boards, "" if boards == 1 else "s"),
               "µs per move", "lower", per_op(1e6),
               label="preview move, %d board%s" % (boards, "" if boards == 1 else "s"))


# The change rows (on one open board): each kind of change kept as an undo
# step against its GDI sequence done bare.
CHANGES = (("line-1", "long diagonal line request, 1-pixel pen", "µs per request"),
           ("line-10", "long diagonal line request, 10-pixel pen", "µs per request"),
           ("rectangle", "filled rectangle request", "µs per request"),
           ("ellipse", "filled ellipse request", "µs per request"),
           ("stroke-1", "free-hand stroke, 1-pixel pen, one mouse move", "µs per move"),
           ("stroke-10", "free-hand stroke, 10-pixel pen, one mouse move", "µs per move"))


def change(name):
    title, unit = next((title, unit) for key, title, unit in CHANGES if key == name)
    # A move's wall time is the canvas's own over its messages; the CPU time
    # of its loop would be mostly the cursor moves around them, as for the
    # preview.
    stroke = name.startswith("stroke")
    return Row("change-" + name, "%s (with its undo step) vs its GDI sequence done bare" % title, unit, "lower",
               per_op(1e6), None if stroke else cpu_per_op(1e6), "" if stroke else "µs", label=title)


def memory(boards):
    return Row("memory:%d" % boards, "memory per open board vs its 640x480 picture, %d board%s open"
               % (boards, "" if boards == 1 else "s"), "KiB per board", "lower", lambda r: r["value"] / KIB,
               label="memory vs picture, %d board%s" % (boards, "" if boards == 1 else "s"))


def memory_windows(boards):
    return Row("memory:%d" % boards,
               "memory per open board vs a bare top-level window with a picture window and its picture, "
               "%d board%s open" % (boards, "" if boards == 1 else "s"),
               "KiB per board", "lower", lambda r: r["value"] / KIB, baseline_key="memory-windows:%d" % boards,
               label="memory vs bare window, %d board%s" % (boards, "" if boards == 1 else "s"))


def main_rows():
    """One row for each figure of the speed work, at its usual size."""
    return [pingpong(), pingpong_overlapped(), call(), binding_call(), echo_latency(1), echo_pipelined(1),
            connection_rate(HTTP_CONCURRENCY), bulk_send(64 * KIB), bulk_send_overlapped(64 * KIB), bulk_send(MIB),
            receive_loop(MIB), idle(), idle_udp(), idle_unconnected(),
            idle_listener(), idle_threads(), draw(1), repaint(1), preview(1), memory(10),
            memory_windows(10)] + [change(key) for key, _, _ in CHANGES]


def growth_rows(plan):
    """How each cost grows with the work: boards open, clients, text sizes."""
    rows = []
    for maker in (draw, repaint, preview, memory, memory_windows):
        rows += [maker(n) for n in plan.boards]
    for maker in (echo_latency, echo_pipelined):
        rows += [maker(n) for n in plan.clients]
    for maker in (bulk_send, receive_loop):
        rows += [maker(size) for size in plan.sizes]
    return rows


def rounds_of(records, key, side):
    """The records of one side of a row, by round."""
    return {r["round"]: r for r in records if r["row"] == key and r["side"] == side}


def wakeups_per_second(record):
    if "wakeups_process" not in record:
        return None
    return (record["wakeups_process"] + record.get("wakeups_wineserver", 0)) / record["wall"]


class RowResult:
    """The sides of one row over the rounds: the project against its bare
    baseline and, where the row has one, against LuaSocket."""

    def __init__(self, row, records):
        self.row = row
        project = rounds_of(records, row.key, "project")
        baseline = rounds_of(records, row.baseline_key, "baseline")
        luasocket = rounds_of(records, row.luasocket_key, "luasocket") if row.luasocket_key else {}
        self.project = [row.value(project[k]) for k in sorted(project)]
        self.baseline = [row.value(baseline[k]) for k in sorted(baseline)]
        self.luasocket = [row.value(luasocket[k]) for k in sorted(luasocket)]
        both = sorted(set(project) & set(baseline))
        self.rounds = len(both)
        self.round_ratios = paired_ratios(row, project, baseline)
        self.ratio = ratio(median(self.project), median(self.baseline))
        self.luasocket_round_ratios = paired_ratios(row, project, luasocket)
        self.luasocket_ratio = ratio(median(self.project), median(self.luasocket))
        self.cpu_ratio = None
        self.cpu_project = self.cpu_baseline = self.cpu_luasocket = None
        if row.cpu:
            self.cpu_project = median([row.cpu(project[k]) for k in both])
            self.cpu_baseline = median([row.cpu(baseline[k]) for k in both])
            self.cpu_luasocket = median([row.cpu(r) for r in luasocket.values()])
            self.cpu_ratio = ratio(self.cpu_project, self.cpu_baseline)
        # Wake-ups per second of the process and the wineserver, by side.
        self.wakeups = {}
        for side, by_round in (("project", project), ("baseline", baseline), ("luasocket", luasocket)):
            counted = [x for x in map(wakeups_per_second, by_round.values()) if x is not None]
            if counted:
                self.wakeups[side] = median(counted)
        self.run_ratios = []  # one ratio of medians per run, with --repeat

    def complete(self):
        return self.rounds > 0 and (not self.row.luasocket_key or bool(self.luasocket))


def paired_ratios(row, project, other):
    """Project / other of each round that has both."""
    ratios = [ratio(row.value(project[k]), row.value(other[k])) for k in sorted(set(project) & set(other))]
    return [x for x in ratios if x is not None]


def median(values):
    return statistics.median(values) if values else None


def ratio(a, b):
    if a is None or b is None or b == 0:
        return None
    return a / b
