"""The benchmark pairs: for each, how its sides run (the project, its bare
baseline and, where a script author would compare it, LuaSocket: which
programs, with which work) and what records they give. The work is the same
for every side of a pair and comes from the plan."""
import os
import time

from processes import (HoldClients, WineProgram, free_tcp_port, run_echo_clients, run_http_clients, thread_cpu_seconds,
                       thread_wakeups)

KIB = 1024
MIB = 1024 * 1024


class Plan:
    """How much work each benchmark does: the full run, or --quick (the same
    benchmarks with little work, so that they run in seconds)."""

    def __init__(self, quick):
        self.quick = quick
        self.rounds = 2 if quick else 6
        self.sizes = [1, KIB, 64 * KIB, MIB, 8 * MIB]
        if quick:
            self.pingpongs, self.calls = 200, 200000
            self.sends = {1: 200, KIB: 200, 64 * KIB: 32, MIB: 4, 8 * MIB: 1}
            self.receives = {1: 100, KIB: 100, 64 * KIB: 8, MIB: 2, 8 * MIB: 1}
            self.clients = [1, 10, 29]
            self.latency_lines = {1: 100, 10: 20, 29: 10}
            self.pipelined_lines = {1: 1000, 10: 200, 29: 100}
            self.idle_seconds = 0.5
            self.http_requests = 200
            self.boards = [1, 10]
            self.draws, self.repaints, self.moves = 300, 50, 100
            self.changes = 100
        else:
            self.pingpongs, self.calls = 3000, 3000000
            self.sends = {1: 3000, KIB: 3000, 64 * KIB: 800, MIB: 64, 8 * MIB: 12}
            self.receives = {1: 2000, KIB: 2000, 64 * KIB: 200, MIB: 16, 8 * MIB: 2}
            self.clients = [1, 10, 29]
            self.latency_lines = {1: 1000, 10: 200, 29: 80}
            self.pipelined_lines = {1: 20000, 10: 4000, 29: 1500}
            self.idle_seconds = 4.0
            self.http_requests = 3000
            self.boards = [1, 10, 50]
            self.draws, self.repaints, self.moves = 5000, 2000, 3000
            self.changes = 3000

    def net_tasks(self):
        tasks = ["pingpong:%d" % self.pingpongs]
        tasks += ["send:%d:%d" % (size, self.sends[size]) for size in self.sizes]
        tasks += ["recv:%d:%d" % (size, self.receives[size]) for size in self.sizes]
        return tasks

    def attribution_tasks(self):
        """The bare side's tasks done again with the calls tolva makes (see
        bare_net.c): what those calls cost apart from the script."""
        return ["overlapped:pingpong:%d" % self.pingpongs, "overlapped:send:%d:%d" % (64 * KIB, self.sends[64 * KIB])]

    def echo_phases(self):
        phases = []
        for clients in self.clients:
            phases.append("latency:%d:%d" % (clients, self.latency_lines[clients]))
            phases.append("pipelined:%d:%d" % (clients, self.pipelined_lines[clients]))
        return phases

    def board_arguments(self):
        return ["--boards", ",".join(str(n) for n in self.boards), "--draws", self.draws, "--repaints",
                self.repaints, "--moves", self.moves, "--changes", self.changes]


IDLE_CONNECTIONS = 29
# Connections at a time of the HTTP load client, and the requests it makes
# one at a time before the measured ones (bench_peer.c's HTTP_WARM_UP).
HTTP_CONCURRENCY = 25
HTTP_WARM_UP = 5


class Pair:
    """What the pairs share: their context and plan, the sides they have
    (the project and its bare baseline, and LuaSocket where a script author
    would compare it), and a side's program started with a log of the
    round."""
    sides = ("project", "baseline")

    def __init__(self, context, plan, peer=None):
        self.context, self.plan, self.peer = context, plan, peer

    def start(self, side, round_index, program, arguments, log_suffix=""):
        log = "round%d-%s-%s%s" % (round_index, self.name, side, log_suffix)
        return WineProgram(self.context, log, program, arguments)


class NetPair(Pair):
    """Ping-pong, bulk tSend, the tRecv loop and the trivial function: the
    script in bench_host against bare_net and a LuaSocket script, all
    talking to the one peer. The trivial function's two sides run in the
    script's process, in the order of the round."""
    name = "tolva"
    sides = ("project", "baseline", "luasocket")

    def run(self, side, round_index, first):
        tasks = self.plan.net_tasks()
        if side == "project":
            order = "project-first" if first == "project" else "baseline-first"
            program = self.start(side, round_index, self.context.program("bench_host.exe"),
                                 [os.path.join(self.context.scripts, "net.lua"), self.peer.port, order] + tasks
                                 + ["call:%d" % self.plan.calls])
        elif side == "baseline":
            program = self.start(side, round_index, self.context.program("bare_net.exe"),
                                 ["net", self.peer.port] + tasks + self.plan.attribution_tasks())
        else:
            program = self.start(side, round_index, self.context.luasocket_interpreter(),
                                 [os.path.join(self.context.scripts, "luasocket_net.lua"), self.peer.port] + tasks)
        return program.finish(timeout=300)


class EchoPair(Pair):
    """The echo example on callbacks (luahost, as shipped) against a C echo
    server with a thread per connection and a LuaSocket echo server on
    socket.select; the peer is the clients and measures the server's CPU
    and the wineserver's itself."""
    name = "echo"
    sides = ("project", "baseline", "luasocket")

    def run(self, side, round_index, first):
        port = free_tcp_port()
        connections = max(self.plan.clients)
        if side == "project":
            server = self.start(side, round_index, self.context.program("luahost.exe"),
                                [os.path.join(self.context.examples, "echo_server.lua"), port, connections])
        elif side == "baseline":
            server = self.start(side, round_index, self.context.program("bare_net.exe"),
                                ["echo-server", port, connections])
        else:
            server = self.start(side, round_index, self.context.luasocket_interpreter(),
                                [os.path.join(self.context.scripts, "luasocket_echo.lua"), port, connections])
        try:
            records = run_echo_clients(self.context, port, side, server.pid, self.plan.echo_phases(), timeout=300)
        finally:
            server.finish(timeout=60)
        return records


class HttpPair(Pair):
    """The web server example on callbacks (luahost, as shipped) against the
    same responder in C with a thread per connection and in a LuaSocket
    script on socket.select, under the peer's HTTP load client: one request
    a connection, HTTP_CONCURRENCY connections at a time."""
    name = "http"
    sides = ("project", "baseline", "luasocket")

    def run(self, side, round_index, first):
        port = free_tcp_port()
        # The load client's few requests before the measured ones end connections too.
        connections = self.plan.http_requests + HTTP_WARM_UP
        if side == "project":
            server = self.start(side, round_index, self.context.program("luahost.exe"),
                                [os.path.join(self.context.examples, "http_server.lua"), port, connections])
        elif side == "baseline":
            server = self.start(side, round_index, self.context.program("bare_net.exe"),
                                ["http-server", port, connections])
        else:
            server = self.start(side, round_index, self.context.luasocket_interpreter(),
                                [os.path.join(self.context.scripts, "luasocket_http.lua"), port, connections])
        try:
            records = run_http_clients(self.context, port, side, server.pid, HTTP_CONCURRENCY,
                                       self.plan.http_requests, timeout=300)
        finally:
            server.finish(timeout=60)
        return records


class IdlePair(Pair):
    """Served slots left idle while the script blocks in one tWait (30
    connections to the peer, 30 UDP slots, 30 TCP slots not connected, a
    listener with the 29 connections of the peer's idle clients), against a
    C process blocked in one wait and a LuaSocket server with the same
    listener and connections in one socket.select. The runner measures the
    CPU time and the wake-ups of the process and of the wineserver over a
    window inside the wait."""
    name = "idle"
    sides = ("project", "baseline", "luasocket")
    settle_seconds = 0.3
    margin_seconds = 0.5
    kinds = (("idle", "connected"), ("idle-udp", "udp"), ("idle-unconnected", "unconnected"),
             ("idle-listener", "listener"))

    def run(self, side, round_index, first):
        window = self.plan.idle_seconds
        wait_ms = int((self.settle_seconds + window + self.margin_seconds) * 1000)
        if side == "baseline":
            bare = self.context.program("bare_net.exe")
            # The attribution row's side: a C process with as many threads as
            # 30 served slots have, each blocked.
            return [self.measure("idle", side, round_index, bare, ["idle", wait_ms]),
                    self.measure("idle-threads", "project", round_index, bare, ["idle-threads", wait_ms])]
        if side == "luasocket":
            port = free_tcp_port()
            return [self.measure("idle-listener", side, round_index, self.context.luasocket_interpreter(),
                                 [os.path.join(self.context.scripts, "luasocket_idle.lua"), port, wait_ms], port)]
        records = []
        for row, kind in self.kinds:
            port = free_tcp_port() if kind == "listener" else self.peer.port
            records.append(self.measure(row, side, round_index, self.context.program("bench_host.exe"),
                                        [os.path.join(self.context.scripts, "idle.lua"), kind, port, wait_ms],
                                        port if kind == "listener" else None))
        return records

    def measure(self, row, side, round_index, program, arguments, listener_port=None):
        """One idle window of a program; with a listener port, the peer's
        idle clients connect to it first."""
        program = self.start(side, round_index, program, arguments, "-" + row)
        clients = HoldClients(self.context, listener_port, IDLE_CONNECTIONS) if listener_port else None
        try:
            program.wait_for_line("IDLE READY", timeout=60)
            time.sleep(self.settle_seconds)
            before = self.usage(program.pid)
            start = time.monotonic()
            time.sleep(self.plan.idle_seconds)
            after = self.usage(program.pid)
            wall = time.monotonic() - start
        finally:
            if clients:
                clients.close()
            program.finish(timeout=60)
        record = {"row": row, "side": side, "n": 1, "wall": wall}
        for name in after:
            record[name] = after[name] - before[name]
        return record

    def usage(self, pid):
        server = self.context.wineserver
        return {"cpu_process": thread_cpu_seconds(pid), "cpu_wineserver": thread_cpu_seconds(server),
                "wakeups_process": thread_wakeups(pid), "wakeups_wineserver": thread_wakeups(server)}


class BoardPair(Pair):
    """Drawing requests, repaints, the preview and memory: oboard in the
    stand-in host (board_bench) against plain windows (bare_gdi)."""
    name = "board"

    def run(self, side, round_index, first):
        program = self.context.program("board_bench.exe" if side == "project" else "bare_gdi.exe")
        return self.start(side, round_index, program, self.plan.board_arguments()).finish(timeout=300)
