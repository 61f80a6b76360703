"""Loopback socket helpers shared by the tolva test drivers."""
import socket
import time


def connect(port, deadline_seconds=60):
    """A TCP connection to 127.0.0.1:port, retried until the script listens."""
    deadline = time.monotonic() + deadline_seconds
    while True:
        try:
            return socket.create_connection(("127.0.0.1", port), timeout=30)
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


def wait_for_close(conn):
    """Reads and drops everything until the other side closes."""
    conn.settimeout(60)
    try:
        while conn.recv(4096):
            pass
    except OSError:
        pass


def free_ports(kind, count):
    """`count` distinct loopback ports of socket type `kind` free right now."""
    probes, ports = [], []
    for _ in range(count):
        sock = socket.socket(socket.AF_INET, kind)
        sock.bind(("127.0.0.1", 0))
        probes.append(sock)
        ports.append(sock.getsockname()[1])
    for sock in probes:
        sock.close()
    return ports
