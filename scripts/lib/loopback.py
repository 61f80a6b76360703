"""Loopback peers for the tolva test drivers and the demo scripts.

Everything here talks to 127.0.0.1 only: connecting to a script that is
about to listen, reading lines, ending a connection gracefully, picking
ports that are free and serving each connection of a listener on a thread
of its own. Waits end on what the other side did (data, a close, a port
that accepts), bounded by a deadline against hanging.
"""
import os
import socket
import subprocess
import tempfile
import threading
import time

HOST = "127.0.0.1"


def connect(port, deadline_seconds=60, timeout=30):
    """A TCP connection to the loopback port, retried until the script
    listens on it (or the deadline passes: the last error is raised)."""
    deadline = time.monotonic() + deadline_seconds
    while True:
        try:
            return socket.create_connection((HOST, port), timeout=timeout)
        except OSError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.05)


def read_line(conn):
    """One line of text, without its end; what arrived before a close."""
    line = b""
    while not line.endswith(b"\n"):
        data = conn.recv(1)
        if not data:
            break
        line += data
    return line.decode().strip()


def line_reader(conn):
    """A function answering the connection's next line (without its end), or
    None once the other side closed; what follows a line is kept for the
    next call."""
    buffered = [b""]

    def next_line():
        while b"\n" not in buffered[0]:
            piece = conn.recv(4096)
            if not piece:
                return None
            buffered[0] += piece
        line, buffered[0] = buffered[0].split(b"\n", 1)
        return line.decode()
    return next_line


def wait_for_close(conn, timeout=60):
    """Reads and drops everything until the other side closes."""
    conn.settimeout(timeout)
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass


def end_gracefully(conn, wait_for_client=True):
    """Shutdown, then close: a close with unread data would reset the
    connection and could discard what was sent. Unless told otherwise, the
    other side's close is awaited first."""
    try:
        conn.shutdown(socket.SHUT_WR)
        if wait_for_client:
            wait_for_close(conn)
    except OSError:
        pass
    conn.close()


def free_ports(kind, count):
    """`count` distinct loopback ports of socket type `kind` free right now."""
    probes, ports = [], []
    for _ in range(count):
        sock = socket.socket(socket.AF_INET, kind)
        sock.bind((HOST, 0))
        probes.append(sock)
        ports.append(sock.getsockname()[1])
    for sock in probes:
        sock.close()
    return ports


def tcp_listener(backlog=16):
    """A TCP socket listening on a free loopback port."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind((HOST, 0))
    listener.listen(backlog)
    return listener


def udp_socket():
    """A UDP socket bound to a free loopback port."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind((HOST, 0))
    return sock


def port_of(sock):
    return sock.getsockname()[1]


def serve(listener, handler):
    """Accepts connections for the rest of the process, handing each to
    handler(conn) on a daemon thread of its own; returns at once."""
    def accept_forever():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=handler, args=(conn,), daemon=True).start()
    threading.Thread(target=accept_forever, daemon=True).start()


def announce_port(path, port):
    """Tells a waiting shell script the port: writes it, with a line end, to
    `path`, typically a named pipe that the script reads (and so waits on)."""
    with open(path, "w") as announcement:
        announcement.write("%d\n" % port)


def run_script_host(wine, host, script, arguments, timeout, environment=None):
    """Runs a script host (luahost or a test host) on one script in an empty
    working folder; answers what went wrong, or None when it exited with 0."""
    command = [wine, os.path.abspath(host), os.path.abspath(script)] + list(arguments)
    env = dict(os.environ)
    env.update(environment or {})
    name = os.path.basename(script)
    with tempfile.TemporaryDirectory() as workdir:
        try:
            result = subprocess.run(command, cwd=workdir, env=env, timeout=timeout)
        except subprocess.TimeoutExpired:
            return "%s: timed out" % name
    print("driver: %s exited with %d" % (name, result.returncode), flush=True)
    if result.returncode != 0:
        return "%s: exit code %d" % (name, result.returncode)
    return None
