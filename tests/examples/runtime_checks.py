"""luahost.exe and the example servers as users meet them, from the build or
an unpacked archive: clients nobody here wrote (curl, socat, OpenBSD nc),
the host's usage and errors, Ctrl+C (SIGINT under Wine); loopback only.
Checks record failures through `check(condition, message)`."""
import os
import queue
import re
import signal
import socket
import subprocess
import tempfile
import threading
import time

from loopback import free_ports

STOP_CODE = 0xC000013A  # the host's after a console stop; Wine passes on its low byte
WAIT = 120  # seconds after which a step counts as hung


class Host:
    """luahost.exe under Wine running the scripts of a folder."""

    def __init__(self, wine, luahost, scripts, workdir):
        self.wine, self.luahost, self.scripts, self.workdir = wine, luahost, scripts, workdir

    def command(self, script, arguments):
        script = [os.path.join(self.scripts, script)] if script else []
        return [self.wine, self.luahost] + script + [str(a) for a in arguments]

    def run(self, script, *arguments):
        """Exit code and output of a script run to its end."""
        result = subprocess.run(self.command(script, arguments), cwd=self.workdir, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=WAIT)
        return result.returncode, result.stdout.decode("latin-1").replace("\r\n", "\n")

    def start(self, script, *arguments):
        """A script that has printed its "listening" or "ready" line."""
        process = subprocess.Popen(self.command(script, arguments), cwd=self.workdir, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        process.lines = read_lines(process.stdout)
        wait_for_line(process.lines, re.compile("listening|ready"))
        return process


def read_lines(stream):
    lines = queue.Queue()

    def pump():
        for line in iter(stream.readline, b""):
            lines.put(line.decode("latin-1").rstrip("\r\n"))
        lines.put(None)
    threading.Thread(target=pump, daemon=True).start()
    return lines


def wait_for_line(lines, wanted):
    """The lines up to the first equal to `wanted` (or matching it, if a
    pattern; None: to the end), or those until the end or WAIT seconds."""
    seen, deadline = [], time.monotonic() + WAIT
    while True:
        try:
            line = lines.get(timeout=max(0.1, deadline - time.monotonic()))
        except queue.Empty:
            return seen
        if line is None:
            return seen
        seen.append(line)
        if line == wanted or hasattr(wanted, "search") and wanted.search(line):
            return seen


def last_line(lines, pattern):
    return (wait_for_line(lines, re.compile(pattern)) or ["?"])[-1]


def finish(process):
    """The exit code of a process that is to end by itself, or None (and the
    process killed) after WAIT seconds."""
    try:
        return process.wait(timeout=WAIT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def stop_from_console(process, port, check, what, again=False):
    """Ctrl+C (`again`: every second): the host ends by its own road (its
    message, its exit code: no crash) and leaves the port free."""
    start, code = time.monotonic(), None
    while code is None and time.monotonic() < start + WAIT:
        process.send_signal(signal.SIGINT)
        try:
            code = process.wait(timeout=1 if again else WAIT)
        except subprocess.TimeoutExpired:
            pass
    if code is None:
        process.kill()
        process.wait()
    output = "\n".join(wait_for_line(process.lines, None))
    check(code in (STOP_CODE, STOP_CODE & 0xFF), "%s: exit code %s after Ctrl+C" % (what, code))
    check(again or "luahost: stopped by Ctrl+C" in output, "%s: not stopped by the host: %r" % (what, output))
    check(socket.socket().connect_ex(("127.0.0.1", port)) != 0, "%s: port %d still served" % (what, port))
    return "%s: Ctrl+C ended it in %.1f s" % (what, time.monotonic() - start)


# ---- luahost.exe itself ------------------------------------------------------------

STOP_CASES = ("wait", "box", "loop", "read", "coroutine")  # see scripts/host_cases.lua


def check_usage_and_error(host, check, script, arguments, error):
    """--help, no arguments, and a script error printed as `error` (a
    pattern) with exit code 1."""
    for arguments_given, code_wanted in ((["--help"], 0), ([], 2)):
        code, output = host.run(None, *arguments_given)
        check(code == code_wanted and output.startswith("usage: luahost"), "luahost %s: %d" % (arguments_given, code))
    code, output = host.run(script, *arguments)
    check(code == 1 and re.search(error, output, re.M), "a script error: %d %r" % (code, output))


def check_host_cases(wine, luahost, workdir, check):
    """The error names the script whole (its path here is longer than the
    52 characters Lua keeps) with its line; os.exit's code is the host's;
    a console stop ends the host wherever the script waits."""
    scripts = os.path.join(os.path.dirname(os.path.abspath(__file__)), "scripts")
    host = Host(wine, luahost, scripts, workdir)
    script = os.path.join(scripts, "host_cases.lua")
    with open(script) as source:
        line = next(n for n, text in enumerate(source, 1) if "planned failure" in text)
    check_usage_and_error(host, check, "host_cases.lua", ["error"], "^luahost: %s:%d: planned failure$" % (
        re.escape(script), line))
    check(host.run("host_cases.lua", "exit")[0] == 7, "os.exit(7) did not give the host's exit code")
    figures = []
    for case in STOP_CASES:
        port = free_ports(socket.SOCK_STREAM, 1)[0]
        process = host.start("host_cases.lua", case, port)
        if case == "coroutine":
            client = socket.create_connection(("127.0.0.1", port))
            wait_for_line(process.lines, "spinning")
        # In io.read the script does not come back to Lua code: a second
        # Ctrl+C ends it.
        figures.append(stop_from_console(process, port, check, "a script in " + case, case == "read"))
    return figures


# ---- http_server.lua under curl and socat --------------------------------------------


def check_http_server(host, check, at_once=25, in_turn=1000):
    """curl: `at_once` echoes over as many connections; `in_turn` echoes,
    pages and unknown paths (as HTTP/1.0); a request line over the limit.
    socat: a request in pieces. Then Ctrl+C."""
    port = free_ports(socket.SOCK_STREAM, 1)[0]
    base = "http://127.0.0.1:%d" % port
    server = host.start("http_server.lua", port)
    echoes, pages = in_turn * 7 // 10, in_turn // 5
    at_once_urls = sum((["-o", "a%d" % n, "%s/echo?text=at+once+%d" % (base, n)] for n in range(at_once)), [])
    runs = [  # curl's arguments; the answers: file, status, body (None: any)
        (["--parallel", "--parallel-immediate", "--parallel-max", str(at_once)] + at_once_urls,
         [("a%d" % n, 200, b"at once %d" % n) for n in range(at_once)]),
        (["-o", "e#1", "%s/echo?text=in%%20turn%%21[1-%d]" % (base, echoes), "-o", "p#1",
          "%s/?n=[1-%d]" % (base, pages), "--next", "--http1.0", "-i", "-o", "m#1",
          "%s/missing/[1-%d]" % (base, in_turn - echoes - pages)],
         [("e%d" % n, 200, b"in turn!%d" % n) for n in range(1, echoes + 1)] +
         [("p%d" % n, 200, None) for n in range(1, pages + 1)] +
         [("m%d" % n, 404, None) for n in range(1, in_turn - echoes - pages + 1)]),
        (["-o", "long", "%s/echo?text=%s" % (base, "x" * 5000)], [("long", 400, None)])]
    figures, counts = [], []
    with tempfile.TemporaryDirectory() as folder:
        for arguments, answers in runs:
            start = time.monotonic()
            result = subprocess.run(["curl", "--no-progress-meter", "-i"] + arguments, cwd=folder,
                                    stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=WAIT * 5)
            figures.append("curl: %d request(s) in %.1f s" % (len(answers), time.monotonic() - start))
            check(result.returncode == 0, "curl: exit %d: %r" % (result.returncode, result.stdout[-300:]))
            for name, status, body in answers:
                with open(os.path.join(folder, name), "rb") as saved:
                    data = saved.read()
                if check_answer(check, data, status, body, name) and name.startswith("p"):
                    counts.append(int(re.search(rb"Requests served: (\d+)", data).group(1)))
    check(len(counts) == pages and counts == sorted(set(counts)), "the page's counts: %s" % counts[:20])
    client = subprocess.Popen(["socat", "-t", str(WAIT), "-", "TCP:127.0.0.1:%d" % port], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE)
    for piece in (b"GET /ec", b"ho?text=pie", b"ces HTTP/1.1\r\nHost: x\r", b"\n\r\n"):
        client.stdin.write(piece)
        client.stdin.flush()
        time.sleep(0.1)  # lets socat send the piece alone
    check_answer(check, client.communicate(timeout=WAIT)[0], 200, b"pieces", "a request in pieces")
    return figures + [stop_from_console(server, port, check, "http_server.lua")]


def check_answer(check, data, status, body, what):
    """One answer as curl -i wrote it: status, length, close, body."""
    head, _, got = data.partition(b"\r\n\r\n")
    return check(head.startswith(b"HTTP/1.1 %d " % status) and b"\r\nConnection: close" in head and
                 b"\r\nContent-Length: %d\r\n" % len(got) in head + b"\r\n" and body in (None, got),
                 "%s: answer %r, expected %d %r" % (what, data[:300], status, body))


# ---- chat_server.lua under socat and nc ------------------------------------------------


class LineClient:
    """A client program (socat, nc) between pipes and a connection."""

    def __init__(self, *command):
        self.process = subprocess.Popen(command, stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        self.lines = read_lines(self.process.stdout)

    def send(self, data):
        try:
            self.process.stdin.write(data)
            self.process.stdin.flush()
        except OSError:
            pass  # the client ended: what it should have seen tells

    def expect(self, check, wanted, what):
        seen = wait_for_line(self.lines, wanted)
        check(seen[-1:] == [wanted], "chat, %s: got %r, expected %r" % (what, seen[-3:], wanted))
        return seen


def check_chat_server(host, check, flood_lines=6000):
    """Two clients (socat, nc) see each other's lines, names and telnet's
    line end; a third never reads while one floods the chat and the other
    must get every line; one vanishes, one quits."""
    port = free_ports(socket.SOCK_STREAM, 1)[0]
    server = host.start("chat_server.lua", port, 3)
    alice = LineClient("socat", "-", "TCP:127.0.0.1:%d" % port)
    a = last_line(alice.lines, "^welcome").split()[-1]
    bob = LineClient("nc", "127.0.0.1", str(port))
    b = last_line(bob.lines, "^welcome").split()[-1]
    alice.expect(check, b + " joined", "a join")
    alice.send(b"/nick alice\n")
    bob.expect(check, a + " is now alice", "a new name")
    bob.send(b"hello\r\0")  # telnet's line end
    alice.expect(check, b + ": hello", "a line ended by CR and a zero byte")
    bob.send(b"/nick bob\r\n")
    alice.expect(check, b + " is now bob", "the command after that line")

    silent = socket.socket()
    silent.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    silent.connect(("127.0.0.1", port))
    s = last_line(bob.lines, r"^guest\d+ joined$").split()[0]
    flood = ["%05d %s" % (n, "x" * 994) for n in range(flood_lines)]
    start = time.monotonic()
    flooder = threading.Thread(target=alice.send, args=("".join(line + "\n" for line in flood).encode(),))
    flooder.start()
    seen = bob.expect(check, "alice: " + flood[-1], "the flood's last line")
    check([line[7:] for line in seen if line.startswith("alice: ")] == flood, "chat: flooded lines lost")
    check(s + " left (too far behind)" in seen, "chat: the client that never reads stayed")
    figure = "chat: %d lines (%d bytes) in %.1f s beside a client that never reads" % (
        len(flood), len(flood) * 1001, time.monotonic() - start)
    flooder.join(WAIT)
    if flooder.is_alive():
        alice.process.kill()  # the chat takes no more of her lines
    bob.process.kill()  # vanishes without /quit
    alice.expect(check, "bob left", "a client that vanished")
    alice.send(b"/quit\n")
    check(finish(alice.process) == 0, "chat: socat did not end after /quit")
    silent.close()
    check(finish(server) == 0, "chat_server.lua did not end after its 3 connections")
    return [figure]


# ---- udp_exchange.lua and echo_server.lua under socat -----------------------------------


def check_udp_exchange(host, check):
    """socat answers the script's datagram in capitals."""
    port = free_ports(socket.SOCK_DGRAM, 1)[0]
    peer = subprocess.Popen(["socat", "-T", str(WAIT), "UDP4-RECVFROM:%d,bind=127.0.0.1" % port, "SYSTEM:tr a-z A-Z"])
    while peer.poll() is None:  # until socat has bound the port
        try:
            socket.socket(socket.AF_INET, socket.SOCK_DGRAM).bind(("127.0.0.1", port))
        except OSError:
            break
        time.sleep(0.05)
    code, output = host.run("udp_exchange.lua", "127.0.0.1", port, "ping over udp")
    check(code == 0 and "received: PING OVER UDP" in output, "udp_exchange.lua with socat: %d %r" % (code, output))
    finish(peer)
    return ["socat: a datagram each way"]


def check_echo_file(host, check, size=5 * 1024 * 1024):
    """A file through socat comes back whole; without zero bytes, at which
    the module's texts end."""
    port = free_ports(socket.SOCK_STREAM, 1)[0]
    server = host.start("echo_server.lua", port, 1)
    data = os.urandom(size).replace(b"\0", b"\1")
    start = time.monotonic()
    echoed = subprocess.run(["socat", "-t", str(WAIT), "-", "TCP:127.0.0.1:%d" % port], input=data,
                            stdout=subprocess.PIPE, timeout=WAIT * 2).stdout
    seconds = time.monotonic() - start
    check(echoed == data, "echo_server.lua gave back %d of %d bytes" % (len(echoed), len(data)))
    check(finish(server) == 0, "echo_server.lua did not end after its connection")
    return ["socat: %d bytes echoed in %.1f s" % (size, seconds)]
