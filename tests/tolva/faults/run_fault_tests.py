#!/usr/bin/env python3
"""The tolva fault and load driver: peers that reset, close, vanish, read
slowly, never or after a half-close, and a peer that watches a connection
closed under a send and the next one on its handle, for faults.lua; peers
that send 4000 bytes or answer late for gaps.lua (exact limits, run by
tolva_test_host) and faults.lua; a script that ends with busy callbacks
(unload_busy.lua), and bursts of 29 clients on the echo servers, where every
byte that comes back is checked.

  run_fault_tests.py --wine W --host H --scripts DIR --examples DIR [--rounds N]

--rounds repeats faults.lua's cases and the bursts (the soak uses many).
Prints the figures of the run: connects, bytes checked, slots returned.
"""
import argparse
import os
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "scripts", "lib"))
from loopback import free_ports, read_line, run_script_host  # noqa: E402

failures = []
lock = threading.Lock()
figures = {"connects": 0, "bytes checked": 0}


def fail(message):
    with lock:
        failures.append(message)
    print("driver: FAIL " + message, flush=True)


def count(name, amount=1):
    with lock:
        figures[name] += amount


def listener():
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.bind(("127.0.0.1", 0))
    sock.listen(64)
    return sock


def serve(sock, handler):
    def loop():
        while True:
            conn, _ = sock.accept()
            count("connects")
            threading.Thread(target=handler, args=(conn,), daemon=True).start()
    threading.Thread(target=loop, daemon=True).start()


def reset_peer(conn):
    read_line(conn)
    # No lingering: the close resets the connection.
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    conn.close()


def orderly_peer(conn):
    read_line(conn)
    conn.close()


def vanishing_peer(conn):
    conn.close()


def stalling_peer(conn):
    """Reads nothing for a second, then resets: a send waiting on it ends."""
    time.sleep(1)
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    conn.close()


def half_closing_reader(conn):
    """Ends its sending side at once, then reads and checks 4 MB."""
    conn.shutdown(socket.SHUT_WR)
    slow_reader(conn, answer=False)


def slow_reader(conn, size=4 * 1024 * 1024, answer=True):
    """Reads in small pieces with pauses and checks each byte's letter."""
    received, good = 0, True
    conn.settimeout(120)
    try:
        while received < size:
            piece = conn.recv(16384)
            if not piece:
                break
            for offset in range(0, len(piece), 4096):
                chunk = piece[offset:offset + 4096]
                start = received + offset
                expected = bytes(97 + (start + i) % 26 for i in range(len(chunk)))
                good = good and chunk == expected
            received += len(piece)
            time.sleep(0.002)
        count("bytes checked", received)
        if not answer:
            if received != size or not good:
                fail("half-closed reader: %d bytes, %s" % (received, "in order" if good else "changed"))
            conn.close()
            return
        conn.sendall(b"GOT %d %s\n" % (received, b"OK" if good else b"BAD"))
        read_line(conn)
    except OSError as error:
        fail("slow reader: %s" % error)
    conn.close()


class Crossing:
    """One session of the crossing peer: the script's trigger connection, the
    connection closed under a send, and the next one on its handle."""

    def __init__(self):
        self.trigger = None
        self.triggered = threading.Event()
        self.hello = threading.Event()
        self.first_ended = threading.Event()
        self.first_count = 0


crossings = {}
crossings_lock = threading.Lock()


def crossing(session):
    with crossings_lock:
        return crossings.setdefault(session, Crossing())


def crossing_peer(conn):
    """First line "TRIGGER s": the connection through which session s tells
    the script to act. "BIG s": the pattern follows; after 1 MiB of it the
    trigger says "go", and reading stops until the hello of the connection
    that follows, then goes on to the end, which must come. "HELLO s": that
    connection; nothing but its hello may arrive on it. It is answered
    "FIRST n" (the bytes the first connection carried) once the first one
    ended."""
    conn.settimeout(60)
    try:
        words = read_line(conn).split()
        session = crossing(words[1])
        if words[0] == "TRIGGER":
            session.trigger = conn
            session.triggered.set()
            session.first_ended.wait(timeout=60)
            time.sleep(1)  # the answer to the hello goes first
        elif words[0] == "BIG":
            cross_big(conn, session)
        elif words[0] == "HELLO":
            cross_hello(conn, session)
    except (OSError, IndexError) as error:
        fail("crossing peer: %s" % error)
    conn.close()


def cross_big(conn, session):
    received, good, told = 0, True, False
    while True:
        if not told and received >= 1024 * 1024:
            told = True
            session.triggered.wait(timeout=30)
            session.trigger.sendall(b"go\n")
            if not session.hello.wait(timeout=30):
                fail("crossing peer: no new connection after the trigger")
        try:
            piece = conn.recv(65536)
        except OSError:  # a reset ends it too
            break
        if not piece:
            break
        expected = bytes(97 + (received + i) % 26 for i in range(len(piece)))
        good = good and piece == expected
        received += len(piece)
    session.first_count = received
    if not good:
        fail("crossing peer: the first connection's bytes changed")
    session.first_ended.set()


def cross_hello(conn, session):
    session.hello.set()
    if not session.first_ended.wait(timeout=20):
        fail("crossing peer: the connection closed under the send never ended")
    conn.sendall(b"FIRST %d\n" % session.first_count)
    extra = 0
    try:
        while True:
            piece = conn.recv(65536)
            if not piece:
                break
            extra += len(piece)
    except OSError:
        pass
    if extra:
        fail("crossing peer: %d bytes of another connection arrived after the hello" % extra)


resets = {}
resets_lock = threading.Lock()


def reset_session(name):
    with resets_lock:
        return resets.setdefault(name, {"notify": None, "ready": threading.Event()})


def resetting_peer(conn):
    """First line "NOTIFY s": the connection through which session s talks
    to the script's callback. "RESET s": sends "x", waits until the notify
    connection says "inside" (the callback for "x" runs, so no receive waits
    on this connection), resets this connection and says "done" on the
    notify connection."""
    conn.settimeout(60)
    try:
        words = read_line(conn).split()
        session = reset_session(words[1])
        if words[0] == "NOTIFY":
            session["notify"] = conn
            session["ready"].set()
            time.sleep(30)  # until the script has finished with it
            return
        session["ready"].wait(timeout=30)
        conn.sendall(b"x")
        if read_line(session["notify"]) != "inside":
            fail("resetting peer: no word from the callback")
        conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        conn.close()
        session["notify"].sendall(b"done\n")
    except (OSError, IndexError) as error:
        fail("resetting peer: %s" % error)
    conn.close()


def bulk_peer(conn):
    """Sends 4000 bytes of the letter pattern, then waits for the close."""
    try:
        conn.sendall(bytes(97 + i % 26 for i in range(4000)))
        conn.settimeout(60)
        while conn.recv(4096):
            pass
    except OSError:
        pass
    conn.close()


def later_peer(sock):
    """UDP: "late" is answered with "late" 300 ms later; "connect P" makes a
    connection to port P 1.5 s later, held for 10 s."""
    def act(data, sender):
        if data == b"late":
            time.sleep(0.3)
            sock.sendto(b"late", sender)
        elif data.startswith(b"connect "):
            time.sleep(1.5)
            try:
                conn = socket.create_connection(("127.0.0.1", int(data.split()[1])), timeout=30)
                count("connects")
                time.sleep(10)
                conn.close()
            except OSError as error:
                fail("later peer: %s" % error)
    while True:
        data, sender = sock.recvfrom(2048)
        threading.Thread(target=act, args=(data, sender), daemon=True).start()


def run_host(options, script, arguments, environment=None, host=None):
    problem = run_script_host(options.wine, host or options.host, os.path.join(options.scripts, script), arguments,
                              options.timeout, environment)
    if problem:
        fail(problem)


def burst_client(port, number, lines, start, echoed, results):
    """Connects when all do (retrying until the server listens), writes its
    numbered lines from a writer thread while this thread reads the echo, and
    holds the connection until every client got its echo."""
    expected = b"".join(b"%d:%d\n" % (number, seq) for seq in range(1, lines + 1))
    try:
        start.wait(timeout=60)
        deadline = time.monotonic() + 60
        while True:
            try:
                conn = socket.create_connection(("127.0.0.1", port), timeout=60)
                break
            except OSError:
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.1)
        count("connects")

        def write():
            try:
                for seq in range(1, lines + 1):
                    conn.sendall(b"%d:%d\n" % (number, seq))
                    if seq % 10 == 0:
                        time.sleep(0.002)
            except OSError:
                pass
        writer = threading.Thread(target=write, daemon=True)
        writer.start()
        data = b""
        while len(data) < len(expected):
            piece = conn.recv(65536)
            if not piece:
                break
            data += piece
        writer.join(timeout=60)
        results[number] = data == expected
        if data == expected:
            count("bytes checked", len(data))
        echoed.wait(timeout=120)
        conn.close()
    except (OSError, threading.BrokenBarrierError) as error:
        results[number] = False
        print("driver: burst client %d: %s" % (number, error), flush=True)
        echoed.abort()


def run_burst(options, script, clients=29, lines=200):
    port = free_ports(socket.SOCK_STREAM, 1)[0]
    command = [options.wine, os.path.abspath(options.host), script, str(port), str(clients)]
    results = {}
    start = threading.Barrier(clients)
    echoed = threading.Barrier(clients)
    with tempfile.TemporaryDirectory() as workdir:
        process = subprocess.Popen(command, cwd=workdir, stdout=subprocess.DEVNULL)
        threads = [threading.Thread(target=burst_client, args=(port, n, lines, start, echoed, results),
                                    daemon=True) for n in range(1, clients + 1)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join(timeout=options.timeout)
        try:
            code = process.wait(timeout=60)
        except subprocess.TimeoutExpired:
            process.kill()
            code = "killed"
    served = sum(1 for ok in results.values() if ok)
    print("driver: %s: %d of %d clients served whole, exit %s" % (os.path.basename(script), served, clients,
                                                                   code), flush=True)
    if served != clients or code != 0:
        fail("%s: %d of %d clients served, exit %s" % (os.path.basename(script), served, clients, code))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--host", required=True)
    parser.add_argument("--test-host", required=True)
    parser.add_argument("--scripts", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--rounds", type=int, default=1)
    parser.add_argument("--timeout", type=int, default=120)
    options = parser.parse_args()

    peers = {}
    for name, handler in (("reset", reset_peer), ("orderly", orderly_peer), ("vanish", vanishing_peer),
                          ("slow", slow_reader), ("bulk", bulk_peer), ("stall", stalling_peer),
                          ("halfclose", half_closing_reader), ("cross", crossing_peer),
                          ("resetting", resetting_peer)):
        sock = listener()
        peers[name] = sock.getsockname()[1]
        serve(sock, handler)
    later = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    later.bind(("127.0.0.1", 0))
    threading.Thread(target=later_peer, args=(later,), daemon=True).start()
    peers["later"] = later.getsockname()[1]

    udp = free_ports(socket.SOCK_DGRAM, 12)
    tcp = free_ports(socket.SOCK_STREAM, 2)
    arguments = ["%s=%d" % item for item in peers.items()]
    arguments += ["udpfree=%d" % udp[0], "tcpfree=%d" % tcp[0], "rounds=%d" % options.rounds]
    run_host(options, "faults.lua", arguments)
    # A listener whose queue one connection fills: a connect to it waits.
    full = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    full.bind(("127.0.0.1", 0))
    full.listen(0)
    filler = socket.create_connection(full.getsockname())
    busy = ["busy%d=%d" % (i, udp[i]) for i in range(1, 12)]
    run_host(options, "unload_busy.lua", busy + ["busytcp=%d" % tcp[1], "stuck=%d" % full.getsockname()[1]])
    filler.close()
    full.close()

    udp = free_ports(socket.SOCK_DGRAM, 8)
    tcp = free_ports(socket.SOCK_STREAM, 5)
    gaps = ["bulk=%d" % peers["bulk"], "later=%d" % later.getsockname()[1], "udpgap=%d" % udp[0],
            "udp30=%d" % udp[1], "tcpgap=%d" % tcp[0], "tcplate=%d" % tcp[1], "tcp30=%d" % tcp[2],
            "tcp30b=%d" % tcp[3], "tcpgap2=%d" % tcp[4]] + ["take%d=%d" % (i, udp[1 + i]) for i in range(1, 7)]
    for _ in range(options.rounds):
        run_host(options, "gaps.lua", gaps, {}, options.test_host)

    for _ in range(options.rounds):
        run_burst(options, os.path.join(os.path.abspath(options.examples), "echo_server.lua"))
        run_burst(options, os.path.join(os.path.abspath(options.scripts), "burst_echo_parse.lua"))

    print("driver: figures: %d connects, %d bytes checked" % (figures["connects"], figures["bytes checked"]),
          flush=True)
    print("driver: %d failure(s)" % len(failures), flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
