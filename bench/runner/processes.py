"""Running the benchmark programs: Windows programs under the project's Wine,
the native peer, and the CPU time of processes read from the Linux side.

A Windows program prints `BENCH-BEGIN ROW SIDE` right before a measured loop
and `BENCH {json}` right after it. The reader of its output samples the CPU
time of the program (all its threads) and of the wineserver at both lines, so
every record also carries `cpu_process` and `cpu_wineserver`, measured from
outside with the scheduler's nanosecond counters."""
import json
import os
import socket
import subprocess
import threading
import time


class BenchError(Exception):
    pass


def sum_over_threads(pid, file_name, read):
    """The sum of `read(open file)` over /proc/PID/task/*/FILE_NAME, the
    threads of a Linux process (0 if it is gone); a thread that ends while
    it is read counts 0."""
    if not pid:
        return 0
    total = 0
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return 0
    for task in tasks:
        try:
            with open("/proc/%d/task/%s/%s" % (pid, task, file_name)) as opened:
                total += read(opened)
        except (OSError, ValueError, IndexError):
            pass
    return total


def thread_cpu_seconds(pid):
    """CPU seconds of every thread of a Linux process (0 if it is gone)."""
    return sum_over_threads(pid, "schedstat", lambda stat: int(stat.read().split()[0])) / 1e9


SWITCH_COUNTS = ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")


def context_switches(status):
    total = 0
    for line in status:
        name, _, value = line.partition(":")
        if name in SWITCH_COUNTS:
            total += int(value)
    return total


def thread_wakeups(pid):
    """How often the threads of a Linux process ran again: their context
    switches, voluntary (a thread waited and was woken) and involuntary (it
    was preempted)."""
    return sum_over_threads(pid, "status", context_switches)


def find_wineserver(prefix):
    """The Unix process id of the wineserver of a Wine prefix, or 0.

    A wineserver works in a directory named after the device and inode of
    its prefix, so the one of this prefix is found even when other prefixes
    have their own servers running."""
    try:
        info = os.stat(prefix)
    except OSError:
        return 0
    directory = "server-%x-%x" % (info.st_dev, info.st_ino)
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/comm" % entry) as comm:
                if not comm.read().strip().startswith("wineserver"):
                    continue
            if os.path.basename(os.readlink("/proc/%s/cwd" % entry)) == directory:
                return int(entry)
        except OSError:
            continue
    return 0


def free_tcp_port():
    probe = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


class Context:
    """Where everything is: programs, scripts, logs, the prefix's wineserver."""

    def __init__(self, root):
        self.root = root
        self.build = os.path.join(root, "build")
        self.bin = os.path.join(self.build, "bin")
        self.out = os.path.join(self.build, "bench")
        self.logs = os.path.join(self.out, "logs")
        self.peer = os.path.join(self.out, "bench_peer")
        self.luasocket = os.path.join(self.out, "luasocket")
        self.scripts = os.path.join(root, "bench", "scripts")
        self.examples = os.path.join(root, "examples")
        self.prefix = os.environ.get("WINEPREFIX", os.path.join(self.build, "wineprefix"))
        self.wine = os.environ.get("WINE", "wine")
        os.makedirs(self.logs, exist_ok=True)
        self.wineserver = find_wineserver(self.prefix)

    def program(self, name):
        return built(os.path.join(self.bin, name))

    def luasocket_interpreter(self):
        """The stock lua.exe with LuaSocket beside it."""
        return built(os.path.join(self.luasocket, "lua.exe"))


def built(path):
    if not os.path.exists(path):
        raise BenchError("%s is not built (run scripts/build)" % path)
    return path


class WineProgram:
    """One Windows program under Wine (the path of a built one), its output
    read line by line."""

    def __init__(self, context, log_name, program, arguments):
        self.context = context
        self.records = []
        self.lines = []
        self._begins = {}
        self._seen = threading.Condition()
        self._log = open(os.path.join(context.logs, log_name + ".log"), "w")
        command = [context.wine, program] + [str(a) for a in arguments]
        self._log.write("$ %s\n" % " ".join(command))
        self._log.flush()
        self.process = subprocess.Popen(command, cwd=context.out, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        # `wine` becomes the program itself: the same Unix process id.
        self.pid = self.process.pid
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _sample(self):
        return thread_cpu_seconds(self.pid), thread_cpu_seconds(self.context.wineserver)

    def _read(self):
        for raw in self.process.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            if line.startswith("BENCH-BEGIN "):
                self._begins[tuple(line.split()[1:3])] = self._sample()
            elif line.startswith("BENCH {"):
                after = self._sample()
                record = json.loads(line[len("BENCH "):])
                before = self._begins.pop((record["row"], record["side"]), None)
                if before:
                    record["cpu_process"] = after[0] - before[0]
                    record["cpu_wineserver"] = after[1] - before[1]
                self.records.append(record)
            self._log.write(line + "\n")
            self._log.flush()
            with self._seen:
                self.lines.append(line)
                self._seen.notify_all()

    def wait_for_line(self, text, timeout):
        deadline = time.monotonic() + timeout
        with self._seen:
            while text not in self.lines:
                left = deadline - time.monotonic()
                if left <= 0 or self.process.poll() is not None:
                    raise BenchError("%s: no \"%s\" (see %s)" % (self.process.args[1], text, self._log.name))
                self._seen.wait(min(left, 0.5))

    def finish(self, timeout):
        """Waits for the program's end; a failure or a hang is an error."""
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            code = None
        # Wine's own services may hold the pipe open: read only until the
        # reader has had the program's last lines.
        self._reader.join(timeout=5)
        self._log.close()
        if code != 0:
            raise BenchError("%s %s (see %s)" % (os.path.basename(self.process.args[1]),
                                                 "timed out" if code is None else "exited with %s" % code,
                                                 self._log.name))
        return self.records


class NativePeer:
    """The native loopback peer in one of its roles that last until their
    standard input closes."""

    def __init__(self, context, arguments, stdout=None):
        self.process = subprocess.Popen([built(context.peer)] + [str(a) for a in arguments], stdin=subprocess.PIPE,
                                        stdout=stdout)

    def close(self):
        self.process.stdin.close()
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        if self.process.stdout:
            self.process.stdout.close()


class Peer(NativePeer):
    """The native loopback peer that serves every side of the tolva rows."""

    def __init__(self, context):
        super().__init__(context, ["serve"], stdout=subprocess.PIPE)
        line = self.process.stdout.readline().decode().split()
        if len(line) != 2 or line[0] != "PORT":
            raise BenchError("the bench peer did not start")
        self.port = int(line[1])


class HoldClients(NativePeer):
    """The peer's idle clients: COUNT connections to a server on PORT, made
    one after the other (as soon as it listens), silent, kept until closed."""

    def __init__(self, context, port, count):
        super().__init__(context, ["hold-clients", port, count])


def run_peer_clients(context, arguments, timeout, what):
    """The peer as the clients of a server; answers its records."""
    command = [context.peer] + [str(a) for a in arguments]
    try:
        result = subprocess.run(command, stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise BenchError("the %s timed out" % what)
    if result.returncode != 0:
        raise BenchError("%s: %s" % (what, result.stderr.decode(errors="replace").strip()))
    return [json.loads(line[len("BENCH "):]) for line in result.stdout.decode().splitlines()
            if line.startswith("BENCH {")]


def run_echo_clients(context, port, side, server_pid, phases, timeout):
    """The peer as the clients of an echo server; answers its records."""
    return run_peer_clients(context, ["echo-clients", port, side, server_pid, context.wineserver] + phases, timeout,
                            "echo clients")


def run_http_clients(context, port, side, server_pid, concurrency, requests, timeout):
    """The peer as the HTTP load client of a web server; answers its record."""
    return run_peer_clients(context, ["http-clients", port, side, server_pid, context.wineserver, concurrency,
                                      requests], timeout, "HTTP load client")
