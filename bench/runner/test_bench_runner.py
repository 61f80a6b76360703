#!/usr/bin/env python3
"""Tests of the benchmark harness itself, natively (no Wine): the statistics
of the rows, the order of the rounds, the native peer's protocol and its
echo clients, and the report and chart.

  test_bench_runner.py PEER     PEER: the built bench_peer program"""
import itertools
import os
import socket
import subprocess
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import processes  # noqa: E402
import report  # noqa: E402
import rows  # noqa: E402
from pairs import Plan  # noqa: E402
from run_bench import run_rounds, write_results  # noqa: E402

PEER = None
PATTERN = b"abcdefghijklmnopqrstuvwxyz0123456789"


def record(row, side, round_index, n, wall, **extra):
    result = {"row": row, "side": side, "round": round_index, "n": n, "wall": wall}
    result.update(extra)
    return result


class RowStatistics(unittest.TestCase):
    def test_medians_ratio_and_per_round_ratios(self):
        records = []
        for round_index, (project, baseline) in enumerate([(2.0, 1.0), (3.0, 1.0), (4.0, 2.0)]):
            records.append(record("pingpong", "project", round_index, 1000, project, cpu_process=project / 2,
                                  cpu_wineserver=0.0))
            records.append(record("pingpong", "baseline", round_index, 1000, baseline, cpu_process=baseline,
                                  cpu_wineserver=0.0))
        result = rows.RowResult(rows.pingpong(), records)
        self.assertEqual(3, result.rounds)
        self.assertEqual([2000.0, 3000.0, 4000.0], result.project)  # µs per round trip
        self.assertEqual([1000.0, 1000.0, 2000.0], result.baseline)
        self.assertAlmostEqual(3.0, result.ratio)  # 3000 / 1000, of the medians
        self.assertEqual([2.0, 3.0, 2.0], result.round_ratios)
        self.assertAlmostEqual(1.5, result.cpu_ratio)  # 1500 / 1000 µs of CPU per round trip

    def test_rates_divide_the_bytes_by_the_time(self):
        records = [record("send:65536", "project", 0, 100, 0.5), record("send:65536", "baseline", 0, 100, 0.25)]
        result = rows.RowResult(rows.bulk_send(65536), records)
        self.assertAlmostEqual(65536 * 100 / 0.5 / 1e6, result.project[0])
        self.assertAlmostEqual(0.5, result.ratio)
        self.assertEqual("higher", result.row.better)

    def test_a_row_can_take_its_baseline_from_another_record(self):
        records = [record("memory:10", "project", 0, 10, 0, value=4096.0),
                   record("memory:10", "baseline", 0, 10, 0, value=1024.0),
                   record("memory-windows:10", "baseline", 0, 10, 0, value=2048.0)]
        self.assertAlmostEqual(4.0, rows.RowResult(rows.memory(10), records).ratio)
        self.assertAlmostEqual(2.0, rows.RowResult(rows.memory_windows(10), records).ratio)

    def test_only_rounds_with_both_sides_count_for_ratios(self):
        records = [record("call", "project", 0, 10, 1.0), record("call", "baseline", 0, 10, 1.0),
                   record("call", "project", 1, 10, 5.0)]
        result = rows.RowResult(rows.call(), records)
        self.assertEqual(1, result.rounds)
        self.assertEqual([1.0], result.round_ratios)
        self.assertFalse(rows.RowResult(rows.idle(), records).complete())

    def test_idle_cpu_counts_the_wineserver_too(self):
        records = [record("idle", "project", 0, 1, 2.0, cpu_process=0.004, cpu_wineserver=0.002),
                   record("idle", "baseline", 0, 1, 2.0, cpu_process=0.001, cpu_wineserver=0.002)]
        result = rows.RowResult(rows.idle(), records)
        self.assertAlmostEqual(3.0, result.project[0])  # ms of CPU per second
        self.assertAlmostEqual(2.0, result.ratio)

    def test_luasocket_is_a_third_side_of_the_rows_that_have_it(self):
        records = []
        for round_index, (project, baseline, luasocket) in enumerate([(2.0, 1.0, 4.0), (3.0, 1.0, 3.0)]):
            for side, wall in (("project", project), ("baseline", baseline), ("luasocket", luasocket)):
                records.append(record("pingpong", side, round_index, 1000, wall, cpu_process=wall / 2))
                records.append(record("call", side, round_index, 1000, wall))
        result = rows.RowResult(rows.pingpong(), records)
        self.assertEqual([4000.0, 3000.0], result.luasocket)
        self.assertAlmostEqual(2500.0 / 3500.0, result.luasocket_ratio)  # of the medians
        self.assertEqual([0.5, 1.0], result.luasocket_round_ratios)
        self.assertAlmostEqual(2.5, result.ratio)  # the baseline's ratio stays its own
        self.assertAlmostEqual(1750.0, result.cpu_luasocket)
        self.assertTrue(result.complete())
        # A row without a LuaSocket side leaves it empty whatever was recorded.
        call = rows.RowResult(rows.call(), records)
        self.assertEqual(([], None, []), (call.luasocket, call.luasocket_ratio, call.luasocket_round_ratios))
        self.assertTrue(call.complete())
        # A row that has one is not complete without it.
        without = [r for r in records if r["side"] != "luasocket"]
        self.assertFalse(rows.RowResult(rows.pingpong(), without).complete())

    def test_idle_rows_share_the_bare_baseline_and_count_wakeups(self):
        records = [record("idle", "baseline", 0, 1, 2.0, cpu_process=0.002, wakeups_process=4, wakeups_wineserver=2),
                   record("idle-listener", "project", 0, 1, 2.0, cpu_process=0.02, wakeups_process=900,
                          wakeups_wineserver=100),
                   record("idle-listener", "luasocket", 0, 1, 4.0, cpu_process=0.004, wakeups_process=8,
                          wakeups_wineserver=0)]
        result = rows.RowResult(rows.idle_listener(), records)
        self.assertAlmostEqual(10.0, result.ratio)
        self.assertAlmostEqual(10.0 / 1.0, result.luasocket_ratio)  # 10 against 1 CPU ms per s
        self.assertEqual({"project": 500.0, "baseline": 3.0, "luasocket": 2.0}, result.wakeups)
        self.assertEqual("500 / 3.00 / 2.00", report.wakeups_cell(result))
        keys = [row.key for row in rows.main_rows()]
        for key in ("idle", "idle-udp", "idle-unconnected", "idle-listener"):
            self.assertIn(key, keys)

    def test_every_growth_size_has_a_row(self):
        keys = [row.key for row in rows.growth_rows(Plan(quick=False))]
        for size in Plan(quick=False).sizes:
            self.assertIn("send:%d" % size, keys)
            self.assertIn("recv:%d" % size, keys)
        for clients in (1, 10, 29):
            self.assertIn("echo-latency:%d" % clients, keys)
        for boards in (1, 10, 50):
            self.assertIn("draw:%d" % boards, keys)

    def test_every_kind_of_change_has_a_main_row(self):
        keys = [row.key for row in rows.main_rows()]
        for name in ("line-1", "line-10", "rectangle", "ellipse", "stroke-1", "stroke-10"):
            self.assertIn("change-" + name, keys)
        self.assertIn("--changes", Plan(quick=True).board_arguments())


class Rounds(unittest.TestCase):
    def test_the_order_of_the_sides_rotates_fairly(self):
        calls = []

        class FakePair:
            def __init__(self, name, sides):
                self.name, self.sides = name, sides

            def run(self, side, round_index, first):
                calls.append((round_index, self.name, side, first))
                return [{"row": self.name, "side": side}]

        pairs = [FakePair("three", ("project", "baseline", "luasocket")), FakePair("two", ("project", "baseline"))]
        records = run_rounds(pairs, 6, 6, lambda text: None)
        self.assertEqual([(6, "three", "project", "project"), (6, "three", "baseline", "project"),
                          (6, "three", "luasocket", "project"), (6, "two", "project", "project"),
                          (6, "two", "baseline", "project"),
                          (7, "three", "baseline", "baseline"), (7, "three", "luasocket", "baseline"),
                          (7, "three", "project", "baseline"), (7, "two", "baseline", "baseline"),
                          (7, "two", "project", "baseline")], calls[:10])
        self.assertEqual([6] * 5 + [7] * 5, [r["round"] for r in records[:10]])
        orders = {}
        for round_index, name, side, _ in calls:
            orders.setdefault((name, round_index), []).append(side)
        for round_index, name, _, first in calls:  # whichever of the project and the baseline runs first
            self.assertEqual(first, next(s for s in orders[(name, round_index)] if s != "luasocket"))
        three = [order for (name, _), order in orders.items() if name == "three"]
        for side in ("project", "baseline", "luasocket"):
            self.assertEqual([2, 2, 2], [sum(order[place] == side for order in three) for place in range(3)])
        for earlier, later in itertools.permutations(("project", "baseline", "luasocket"), 2):
            self.assertEqual(3, sum(order.index(earlier) < order.index(later) for order in three))
        two = [order for (name, _), order in orders.items() if name == "two"]
        self.assertEqual(3, sum(order[0] == "project" for order in two))


class PeerProtocol(unittest.TestCase):
    def setUp(self):
        context = type("Context", (), {"peer": PEER})()
        self.peer = processes.Peer(context)
        self.connection = socket.create_connection(("127.0.0.1", self.peer.port), timeout=30)

    def tearDown(self):
        self.connection.close()
        self.peer.close()

    def receive(self, count):
        data = b""
        while len(data) < count:
            piece = self.connection.recv(count - len(data))
            self.assertTrue(piece, "the peer closed early")
            data += piece
        return data

    def test_get_sends_the_pattern_across_chunks(self):
        count = 65520 * 2 + 77  # more than two of the peer's chunks
        self.connection.sendall(b"GET %d\n" % count)
        data = self.receive(count)
        self.assertEqual((PATTERN * (count // len(PATTERN) + 1))[:count], data)
        self.connection.sendall(b"GET 1\n")  # the connection takes more commands
        self.assertEqual(b"a", self.receive(1))

    def test_put_answers_ok_after_every_byte(self):
        self.connection.sendall(b"PUT 100000\n" + b"x" * 99999)
        self.connection.settimeout(0.3)
        with self.assertRaises(socket.timeout):
            self.connection.recv(3)
        self.connection.settimeout(30)
        self.connection.sendall(b"x")
        self.assertEqual(b"OK\n", self.receive(3))

    def test_echo_sends_everything_back(self):
        self.connection.sendall(b"ECHO\nfirst")
        self.assertEqual(b"first", self.receive(5))
        self.connection.sendall(b"x" * 200000)
        self.assertEqual(b"x" * 200000, self.receive(200000))

    def test_hold_sends_nothing_and_keeps_the_connection(self):
        self.connection.sendall(b"HOLD\nanything")
        self.connection.settimeout(0.3)
        with self.assertRaises(socket.timeout):
            self.connection.recv(1)


class HoldClients(unittest.TestCase):
    def test_clients_connect_stay_silent_and_close_with_the_runner(self):
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)  # the clients wait for each accept
        context = type("Context", (), {"peer": PEER})()
        clients = processes.HoldClients(context, listener.getsockname()[1], 3)
        listener.settimeout(30)
        connections = [listener.accept()[0] for _ in range(3)]
        listener.close()
        connections[0].settimeout(0.3)
        with self.assertRaises(socket.timeout):
            connections[0].recv(1)
        clients.close()
        for connection in connections:
            connection.settimeout(30)
            self.assertEqual(b"", connection.recv(1))
            connection.close()


class EchoClients(unittest.TestCase):
    def test_phases_report_lines_and_the_round_trip(self):
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(16)
        port = listener.getsockname()[1]
        received = []

        def serve(connection):
            with connection:
                while True:
                    data = connection.recv(4096)
                    if not data:
                        return
                    received.append(len(data))
                    connection.sendall(data)

        def accept():
            for _ in range(3):
                connection, _ = listener.accept()
                threading.Thread(target=serve, args=(connection,), daemon=True).start()

        acceptor = threading.Thread(target=accept, daemon=True)
        acceptor.start()
        context = type("Context", (), {"peer": PEER, "wineserver": 0})()
        records = processes.run_echo_clients(context, port, "baseline", os.getpid(),
                                             ["latency:1:20", "pipelined:3:50"], timeout=60)
        listener.close()
        self.assertEqual(["echo-latency:1", "echo-pipelined:3"], [r["row"] for r in records])
        self.assertEqual([20, 150], [r["n"] for r in records])
        self.assertTrue(all(r["side"] == "baseline" for r in records))
        self.assertGreater(records[0]["value"], 0)  # µs per line
        # 5 warm-up lines per connection, then the phases, 32 bytes a line.
        self.assertEqual((3 * 5 + 20 + 150) * 32, sum(received))

    def test_a_phase_without_clients_is_refused(self):
        port = processes.free_tcp_port()
        command = [PEER, "echo-clients", str(port), "project", "0", "0", "latency:0:1"]
        result = subprocess.run(command, capture_output=True, timeout=30)
        self.assertNotEqual(0, result.returncode)


class HttpClients(unittest.TestCase):
    def serve(self, answer):
        """A web server on a thread that gives every connection `answer`
        once the request head is in, then closes it; answers its port and
        the requests it saw."""
        listener = socket.socket()
        listener.bind(("127.0.0.1", 0))
        listener.listen(64)
        requests = []

        def serve():
            while True:
                try:
                    connection, _ = listener.accept()
                except OSError:
                    return
                with connection:
                    head = b""
                    while b"\r\n\r\n" not in head:
                        head += connection.recv(1024)
                    requests.append(head)
                    connection.sendall(answer)

        threading.Thread(target=serve, daemon=True).start()
        self.addCleanup(listener.close)
        return listener.getsockname()[1], requests

    def load(self, port, concurrency, count):
        context = type("Context", (), {"peer": PEER, "wineserver": 0})()
        return processes.run_http_clients(context, port, "luasocket", os.getpid(), concurrency, count, timeout=60)

    def test_every_request_gets_a_whole_answer(self):
        port, requests = self.serve(b"HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\nhello")
        records = self.load(port, 4, 30)
        self.assertEqual([("http:4", "luasocket", 30)], [(r["row"], r["side"], r["n"]) for r in records])
        self.assertEqual(35, len(requests))  # the warm-up's 5 as well
        self.assertTrue(all(head.startswith(b"GET / HTTP/1.1\r\n") for head in requests))

    def test_a_short_answer_is_a_failure(self):
        port, _ = self.serve(b"HTTP/1.1 200 OK\r\nContent-Length: 6\r\nConnection: close\r\n\r\nhello")
        with self.assertRaises(processes.BenchError):
            self.load(port, 2, 4)


class Report(unittest.TestCase):
    def test_markdown_and_chart(self):
        records = []
        for round_index in range(2):
            for row in rows.main_rows():
                for side, key in (("project", row.key), ("baseline", row.baseline_key),
                                  ("luasocket", row.luasocket_key)):
                    if key:
                        # The records of the idle baseline's key show half the CPU time.
                        records.append(record(key, side, round_index, 10, 1.0 + round_index, value=1024.0,
                                              cpu_process=0.25 if key == "idle" else 0.5, cpu_wineserver=0.0))
        main = [rows.RowResult(row, records) for row in rows.main_rows()]
        machine = {"date": "today", "cpus": 2, "cpu_model": "a CPU", "wine": "wine-x", "kernel": "k",
                   "load_before": "0", "load_after": "0"}
        text = report.markdown(machine, Plan(quick=True), 2, 1, main, [])
        self.assertIn("| tolva ping-pong", text)
        self.assertIn("| **1.00x** (1.00..1.00) | **1.00x** (1.00..1.00) |", text)  # against both
        self.assertIn("| **1.00x** (1.00..1.00) | - |", text)  # no LuaSocket side
        self.assertIn("| **2.00x** (2.00..2.00) | - |", text)  # the idle rows' shared baseline
        self.assertEqual(len(main), text.split("## How")[0].count("\n| ") - 1)
        with tempfile.TemporaryDirectory() as directory:
            path = os.path.join(directory, "ratios.png")
            report.chart(path, machine, main, [])
            with open(path, "rb") as picture:
                self.assertEqual(b"\x89PNG", picture.read(4))

    def test_results_without_every_row_are_a_failure(self):
        machine = {"date": "today", "cpus": 2, "cpu_model": "a CPU", "wine": "wine-x", "kernel": "k",
                   "load_before": "0"}
        runs = [[record("call", side, 0, 10, 1e-6) for side in ("project", "baseline")]]  # 100 ns a call
        with tempfile.TemporaryDirectory() as directory:
            self.assertEqual(1, write_results(directory, machine, Plan(quick=True), 1, runs, lambda text: None))
            for name in ("results.md", "results.json", "ratios.png"):
                self.assertTrue(os.path.exists(os.path.join(directory, name)))
            with open(os.path.join(directory, "results.md")) as results:
                self.assertIn("| trivial script function: tGetCount vs an empty C function in the same host | "
                              "100 (100..100) | 100 (100..100) | - | **1.00x** (1.00..1.00) | - |", results.read())

    def test_numbers_keep_three_digits(self):
        self.assertEqual("1235", report.number(1234.6))
        self.assertEqual("12.3", report.number(12.34))
        self.assertEqual("0.00693", report.number(0.006931))
        self.assertEqual("-", report.number(None))


if __name__ == "__main__":
    PEER = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
