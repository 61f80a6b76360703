"""The benchmark pairs: for each, how its project side and its bare side run
(which programs, with which work) and what records they give. The work is
the same for both sides of a pair and comes from the plan."""
import os
import time

from processes import WineProgram, free_tcp_port, run_echo_clients, thread_cpu_seconds

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
            self.boards = [1, 10]
            self.draws, self.repaints, self.moves = 300, 50, 100
        else:
            self.pingpongs, self.calls = 3000, 3000000
            self.sends = {1: 3000, KIB: 3000, 64 * KIB: 800, MIB: 64, 8 * MIB: 12}
            self.receives = {1: 2000, KIB: 2000, 64 * KIB: 200, MIB: 16, 8 * MIB: 2}
            self.clients = [1, 10, 29]
            self.latency_lines = {1: 1000, 10: 200, 29: 80}
            self.pipelined_lines = {1: 20000, 10: 4000, 29: 1500}
            self.idle_seconds = 4.0
            self.boards = [1, 10, 50]
            self.draws, self.repaints, self.moves = 5000, 2000, 3000

    def net_tasks(self):
        tasks = ["pingpong:%d" % self.pingpongs]
        tasks += ["send:%d:%d" % (size, self.sends[size]) for size in self.sizes]
        tasks += ["recv:%d:%d" % (size, self.receives[size]) for size in self.sizes]
        return tasks

    def echo_phases(self):
        phases = []
        for clients in self.clients:
            phases.append("latency:%d:%d" % (clients, self.latency_lines[clients]))
            phases.append("pipelined:%d:%d" % (clients, self.pipelined_lines[clients]))
        return phases

    def board_arguments(self):
        return ["--boards", ",".join(str(n) for n in self.boards), "--draws", self.draws, "--repaints",
                self.repaints, "--moves", self.moves]


class NetPair:
    """Ping-pong, bulk tSend, the tRecv loop and the trivial function: the
    script in bench_host against bare_net, both talking to the one peer. The
    trivial function's two sides run in the script's process, in the order
    of the round."""
    name = "tolva"

    def __init__(self, context, plan, peer):
        self.context, self.plan, self.peer = context, plan, peer

    def run(self, side, round_index, first):
        tasks = self.plan.net_tasks()
        log = "round%d-%s-%s" % (round_index, self.name, side)
        if side == "project":
            order = "project-first" if first == "project" else "baseline-first"
            program = WineProgram(self.context, log, "bench_host.exe",
                                  [os.path.join(self.context.scripts, "net.lua"), self.peer.port, order] + tasks
                                  + ["call:%d" % self.plan.calls])
        else:
            program = WineProgram(self.context, log, "bare_net.exe", ["net", self.peer.port] + tasks)
        return program.finish(timeout=300)


class EchoPair:
    """The echo example on callbacks (luahost, as shipped) against a C echo
    server with a thread per connection; the peer is the clients and
    measures the server's CPU and the wineserver's itself."""
    name = "echo"

    def __init__(self, context, plan):
        self.context, self.plan = context, plan

    def run(self, side, round_index, first):
        port = free_tcp_port()
        connections = max(self.plan.clients)
        log = "round%d-%s-%s" % (round_index, self.name, side)
        if side == "project":
            server = WineProgram(self.context, log, "luahost.exe",
                                 [os.path.join(self.context.examples, "echo_server.lua"), port, connections])
        else:
            server = WineProgram(self.context, log, "bare_net.exe", ["echo-server", port, connections])
        try:
            records = run_echo_clients(self.context, port, side, server.pid, self.plan.echo_phases(), timeout=300)
        finally:
            server.finish(timeout=60)
        return records


class IdlePair:
    """30 served slots idle while the script blocks in one tWait, against a
    C process blocked in one wait: the runner measures the CPU time of the
    process and of the wineserver over a window inside the wait."""
    name = "idle"
    settle_seconds = 0.3
    margin_seconds = 0.5

    def __init__(self, context, plan, peer):
        self.context, self.plan, self.peer = context, plan, peer

    def run(self, side, round_index, first):
        window = self.plan.idle_seconds
        wait_ms = int((self.settle_seconds + window + self.margin_seconds) * 1000)
        log = "round%d-%s-%s" % (round_index, self.name, side)
        if side == "project":
            program = WineProgram(self.context, log, "bench_host.exe",
                                  [os.path.join(self.context.scripts, "idle.lua"), self.peer.port, wait_ms])
        else:
            program = WineProgram(self.context, log, "bare_net.exe", ["idle", wait_ms])
        try:
            program.wait_for_line("IDLE READY", timeout=60)
            time.sleep(self.settle_seconds)
            process, server = thread_cpu_seconds(program.pid), thread_cpu_seconds(self.context.wineserver)
            start = time.monotonic()
            time.sleep(window)
            process = thread_cpu_seconds(program.pid) - process
            server = thread_cpu_seconds(self.context.wineserver) - server
            wall = time.monotonic() - start
        finally:
            program.finish(timeout=60)
        return [{"row": "idle", "side": side, "n": 1, "wall": wall, "cpu_process": process,
                 "cpu_wineserver": server}]


class BoardPair:
    """Drawing requests, repaints, the preview and memory: oboard in the
    stand-in host (board_bench) against plain windows (bare_gdi)."""
    name = "board"

    def __init__(self, context, plan):
        self.context, self.plan = context, plan

    def run(self, side, round_index, first):
        log = "round%d-%s-%s" % (round_index, self.name, side)
        program = "board_bench.exe" if side == "project" else "bare_gdi.exe"
        return WineProgram(self.context, log, program, self.plan.board_arguments()).finish(timeout=300)
