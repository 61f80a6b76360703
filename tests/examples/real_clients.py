"""The example servers driven by clients nobody here wrote (curl, socat,
OpenBSD nc), and scripts stopped from the console as a user stops them:
Ctrl+C, which Wine delivers to a program it runs on SIGINT. Everything runs
through one luahost.exe and one examples folder, the build's or those of an
unpacked release archive; every peer is on loopback.

Each check takes `check(condition, message)`, which records a failure, and
answers its figures as text.
"""
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

# The host's exit code after a console stop; Wine hands on its low byte.
STOP_CODE = 0xC000013A
WAIT = 120  # seconds a step may take before the check counts it as hung


class Host:
    """luahost.exe under Wine running scripts of a folder."""

    def __init__(self, wine, luahost, scripts, workdir):
        self.wine, self.luahost, self.scripts, self.workdir = wine, luahost, scripts, workdir

    def command(self, script, arguments):
        return [self.wine, self.luahost] + ([os.path.join(self.scripts, script)] if script else []) + \
            [str(a) for a in arguments]

    def run(self, script, *arguments):
        """Exit code and output (both streams) of a script run to its end."""
        result = subprocess.run(self.command(script, arguments), cwd=self.workdir, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, timeout=WAIT)
        return result.returncode, result.stdout.decode("latin-1").replace("\r\n", "\n")

    def start(self, script, *arguments):
        """A running script whose output lines are read into a queue; it has
        printed a line containing "listening" or "ready" when this returns."""
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
    """The lines up to and with the first one matching `wanted` (a text, or a
    compiled pattern searched for; None: none); the list ends early at the
    end of the output or after WAIT seconds."""
    seen = []
    deadline = time.monotonic() + WAIT
    while True:
        try:
            line = lines.get(timeout=max(0.1, deadline - time.monotonic()))
        except queue.Empty:
            return seen
        if line is None:
            return seen
        seen.append(line)
        if wanted is not None and (line == wanted if isinstance(wanted, str) else wanted.search(line)):
            return seen


def finish(process):
    """The exit code of a process that is to end by itself; None, and the
    process killed, if it has not within WAIT seconds."""
    try:
        return process.wait(timeout=WAIT)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()
        return None


def port_is_free(port):
    """Nobody listens on the port, and a new server may bind it."""
    try:
        socket.create_connection(("127.0.0.1", port), timeout=5).close()
        return False
    except OSError:
        pass
    probe = socket.socket()
    probe.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        probe.bind(("127.0.0.1", port))
        probe.listen(1)
        return True
    except OSError:
        return False
    finally:
        probe.close()


def stop_from_console(process, port, check, what, again=False):
    """Ctrl+C: the script ends within WAIT seconds, by the host's own road
    (its message, its exit code: no crash), and leaves its port free. Told
    `again`, Ctrl+C is pressed every second until the host ends."""
    start = time.monotonic()
    process.send_signal(signal.SIGINT)
    while True:
        try:
            code = process.wait(timeout=1 if again else WAIT)
            break
        except subprocess.TimeoutExpired:
            if not again or time.monotonic() > start + WAIT:
                process.kill()
                process.wait()
                check(False, "%s: still running %d s after Ctrl+C" % (what, WAIT))
                return "%s: did not stop" % what
            process.send_signal(signal.SIGINT)
    output = "\n".join(wait_for_line(process.lines, None))
    check(code in (STOP_CODE, STOP_CODE & 0xFF), "%s: exit code %s after Ctrl+C" % (what, code))
    check(again or "luahost: stopped by Ctrl+C" in output, "%s: the host did not stop by itself: %r" % (what, output))
    check(port_is_free(port), "%s: port %d still taken after the stop" % (what, port))
    return "%s: stopped by Ctrl+C in %.1f s" % (what, time.monotonic() - start)


# ---- http_server.lua under curl ----------------------------------------------


def parse_answer(data):
    """Status, headers and body of one answer as curl -i wrote it."""
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    headers = dict(line.split(": ", 1) for line in lines[1:] if ": " in line)
    status = int(lines[0].split()[1]) if lines[0].startswith("HTTP/1.") else 0
    return status, headers, body


def check_answer(check, data, status, body, what):
    got_status, headers, got_body = parse_answer(data)
    return check(got_status == status and headers.get("Connection") == "close" and
                 headers.get("Content-Length") == str(len(got_body)) and (body is None or got_body == body),
                 "%s: answer %r, expected %d %r" % (what, data[:300], status, body))


def curl(folder, arguments):
    """Runs curl with -i (headers kept with each body) in `folder`."""
    result = subprocess.run(["curl", "--no-progress-meter", "-i"] + arguments, cwd=folder, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, timeout=WAIT * 5)
    return result.returncode, result.stdout.decode("latin-1")


def check_http_server(host, check, at_once=25, in_turn=1000):
    """At once: `at_once` echo requests over as many connections; in turn:
    echo, page and unknown-path requests, the last as HTTP/1.0, then a
    request line over the limit and a request sent in pieces through
    socat; last a stop from the console with a request half sent."""
    port = free_ports(socket.SOCK_STREAM, 1)[0]
    base = "http://127.0.0.1:%d" % port
    server = host.start("http_server.lua", port)
    figures = []
    with tempfile.TemporaryDirectory() as folder:
        arguments = ["--parallel", "--parallel-immediate", "--parallel-max", str(at_once)]
        for n in range(at_once):
            arguments += ["-o", "at-once-%d" % n, "%s/echo?text=at+once+%d" % (base, n)]
        start = time.monotonic()
        code, output = curl(folder, arguments)
        figures.append("%d requests at once in %.1f s" % (at_once, time.monotonic() - start))
        check(code == 0, "curl at once: exit %d: %s" % (code, output[-500:]))
        for n in range(at_once):
            with open(os.path.join(folder, "at-once-%d" % n), "rb") as answer:
                check_answer(check, answer.read(), 200, b"at once %d" % n, "request %d at once" % n)

        echoes, pages = in_turn * 7 // 10, in_turn // 5
        missing = in_turn - echoes - pages
        start = time.monotonic()
        code, output = curl(folder, ["-o", "echo-#1", "%s/echo?text=in%%20turn%%21[1-%d]" % (base, echoes),
                                     "-o", "page-#1", "%s/?n=[1-%d]" % (base, pages),
                                     "--next", "--http1.0", "-i", "-o", "missing-#1",
                                     "%s/missing/[1-%d]" % (base, missing)])
        figures.append("%d requests in turn in %.1f s" % (in_turn, time.monotonic() - start))
        check(code == 0, "curl in turn: exit %d: %s" % (code, output[-500:]))
        counted = []
        for name, count, status in (("echo", echoes, 200), ("page", pages, 200), ("missing", missing, 404)):
            for n in range(1, count + 1):
                with open(os.path.join(folder, "%s-%d" % (name, n)), "rb") as answer:
                    data = answer.read()
                body = b"in turn!%d" % n if name == "echo" else None
                if check_answer(check, data, status, body, "%s request %d in turn" % (name, n)) and name == "page":
                    counted.append(int(re.search(rb"Requests served: (\d+)", data).group(1)))
        check(counted == sorted(set(counted)) and len(counted) == pages,
              "the page's counts do not grow request by request: %s" % counted[:20])

        code, output = curl(folder, ["%s/echo?text=%s" % (base, "x" * 5000)])
        check_answer(check, output.encode("latin-1"), 400, None, "a request line of 5000 bytes")
    check_answer(check, socat_in_pieces(port, [b"GET /ec", b"ho?text=pie", b"ces HTTP/1.1\r\nHost: x\r", b"\n\r\n"]),
                 200, b"pieces", "a request in pieces")

    waiting = socket.create_connection(("127.0.0.1", port), timeout=WAIT)
    waiting.sendall(b"GET / HTTP/1.1\r\n")
    figures.append(stop_from_console(server, port, check, "http_server.lua"))
    check(closed(waiting), "a connection of the stopped server stayed open")
    return figures


def closed(conn):
    """Whether the other side ended the connection (closed or reset)."""
    try:
        ended = conn.recv(100) == b""
    except ConnectionResetError:
        ended = True
    conn.close()
    return ended


def socat_in_pieces(port, pieces):
    """What socat got back for text written to it piece by piece (a pause
    after each lets it send the piece alone)."""
    client = subprocess.Popen(["socat", "-t", str(WAIT), "-", "TCP:127.0.0.1:%d" % port], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE)
    for piece in pieces:
        client.stdin.write(piece)
        client.stdin.flush()
        time.sleep(0.1)
    return client.communicate(timeout=WAIT)[0]


# ---- chat_server.lua under socat and nc --------------------------------------


class LineClient:
    """A client program (socat, nc) between a pipe and a connection."""

    def __init__(self, command):
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
        return check(seen[-1:] == [wanted], "chat, %s: got %r, expected %r" % (what, seen[-3:], wanted))

    def name(self):
        """The guest name of the welcome line."""
        return (wait_for_line(self.lines, re.compile("^welcome")) or ["?"])[-1].rsplit(" ", 1)[-1]


def check_chat_server(host, check, flood_lines=6000):
    """Two clients (socat, nc) see each other's lines, names and telnet's
    line ends; a third never reads while one of them floods the chat and
    the other must still get every line; one vanishes, one quits."""
    port = free_ports(socket.SOCK_STREAM, 1)[0]
    server = host.start("chat_server.lua", port, 3)
    alice = LineClient(["socat", "-", "TCP:127.0.0.1:%d" % port])
    a = alice.name()
    bob = LineClient(["nc", "127.0.0.1", str(port)])
    b = bob.name()
    alice.expect(check, b + " joined", "a join")
    alice.send(b"/nick alice\n")
    bob.expect(check, a + " is now alice", "a new name")
    bob.send(b"hello\r\0")  # telnet's line end: CR and a zero byte
    alice.expect(check, b + ": hello", "a line ended by CR and a zero byte")
    bob.send(b"/nick bob\r\n")
    alice.expect(check, b + " is now bob", "the command after that line")

    silent = socket.socket()
    silent.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    silent.connect(("127.0.0.1", port))
    s = (wait_for_line(bob.lines, re.compile(r"^guest\d+ joined$")) or ["?"])[-1].split()[0]
    flood = [b"%05d %s\n" % (n, b"x" * 994) for n in range(flood_lines)]
    start = time.monotonic()
    threading.Thread(target=lambda: [alice.send(line) for line in flood], daemon=True).start()
    seen = wait_for_line(bob.lines, "alice: " + flood[-1].decode().rstrip("\n"))
    got = [line[len("alice: "):].encode() + b"\n" for line in seen if line.startswith("alice: ")]
    check(got == flood, "chat: %d of %d flooded lines reached a reader beside one that never reads" %
          (len(got), len(flood)))
    check(s + " left (too far behind)" in seen, "chat: the client that never reads was not dropped")
    figure = "%d lines (%d bytes) through the chat in %.1f s beside a client that never reads" % (
        len(flood), len(b"".join(flood)), time.monotonic() - start)

    bob.process.kill()  # vanishes without /quit
    alice.expect(check, "bob left", "a client that vanished")
    alice.send(b"/quit\n")
    check(finish(alice.process) == 0, "chat: socat did not end after /quit")
    silent.close()
    code = finish(server)
    check(code == 0, "chat_server.lua, after its 3 connections ended: exit %s" % code)
    return [figure]


# ---- udp_exchange.lua and echo_server.lua under socat ---------------------------


def check_udp_exchange(host, check):
    """socat answers the script's datagram in capitals."""
    port = free_ports(socket.SOCK_DGRAM, 1)[0]
    peer = subprocess.Popen(["socat", "-T", str(WAIT), "UDP4-RECVFROM:%d,bind=127.0.0.1" % port, "SYSTEM:tr a-z A-Z"])
    probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    while peer.poll() is None:  # until socat holds the port
        try:
            probe.bind(("127.0.0.1", port))
        except OSError:
            break
        probe.close()
        probe = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        time.sleep(0.05)
    probe.close()
    code, output = host.run("udp_exchange.lua", "127.0.0.1", port, "ping over udp")
    check(code == 0 and "received: PING OVER UDP" in output, "udp_exchange.lua with socat: %d %r" % (code, output))
    finish(peer)
    return ["a datagram each way with socat"]


def check_echo_file(host, check, size=5 * 1024 * 1024):
    """A file of `size` bytes sent through socat comes back whole. Without
    zero bytes: the texts of the module end at a zero byte."""
    port = free_ports(socket.SOCK_STREAM, 1)[0]
    server = host.start("echo_server.lua", port, 1)
    data = os.urandom(size).replace(b"\0", b"\1")
    with tempfile.TemporaryDirectory() as folder:
        with open(os.path.join(folder, "sent"), "wb") as sent:
            sent.write(data)
        start = time.monotonic()
        with open(os.path.join(folder, "sent"), "rb") as sent, open(os.path.join(folder, "back"), "wb") as back:
            subprocess.run(["socat", "-t", str(WAIT), "-", "TCP:127.0.0.1:%d" % port], stdin=sent, stdout=back,
                           timeout=WAIT * 2)
        seconds = time.monotonic() - start
        with open(os.path.join(folder, "back"), "rb") as back:
            echoed = back.read()
    check(echoed == data, "echo_server.lua gave back %d of %d bytes (first difference at %s)" %
          (len(echoed), len(data), next((i for i, (x, y) in enumerate(zip(echoed, data)) if x != y), "-")))
    check(finish(server) == 0, "echo_server.lua did not end after its connection")
    return ["%d bytes echoed through socat in %.1f s" % (size, seconds)]
