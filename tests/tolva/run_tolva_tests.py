#!/usr/bin/env python3
"""Runs every tolva test script in one tolva_test_host process under Wine,
against loopback peers served from here:

  echo     TCP: sends back what it receives until the client closes.
  control  TCP: one command line per connection, then acts on it:
             BULK n     sends n bytes of a letter pattern
             ZERO       sends "abc", a zero byte and "def"
             BYE        sends nothing
             CONNECT p  connects to the script's port p, sends
                        "hello from peer"
           and then ends the connection gracefully (shutdown, then close,
           after the client closed or for BYE at once).
  udp      UDP: sends each datagram back to its sender.

Ports are passed to the scripts as NAME=PORT arguments, with two ports
that were free when the run started (free_tcp, free_udp).
"""
import argparse
import os
import socket
import subprocess
import sys
import tempfile
import threading

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "scripts", "lib"))
from loopback import (connect, end_gracefully, free_ports, port_of, read_line, serve,  # noqa: E402
                      tcp_listener, udp_socket)

PATTERN = b"abcdefghijklmnopqrstuvwxyz0123456789"


def pattern_bytes(count):
    return (PATTERN * (count // len(PATTERN) + 1))[:count]


def echo_handler(conn):
    try:
        while True:
            data = conn.recv(4096)
            if not data:
                break
            conn.sendall(data)
    except OSError:
        pass
    end_gracefully(conn, wait_for_client=False)


def connect_to_script(port):
    try:
        peer = connect(port, timeout=5)
    except OSError:
        return  # the script's check of the connection reports it
    peer.sendall(b"hello from peer")
    end_gracefully(peer)


def control_handler(conn):
    command = read_line(conn).split()
    if not command:
        conn.close()
        return
    if command[0] == "BULK":
        conn.sendall(pattern_bytes(int(command[1])))
        end_gracefully(conn)
    elif command[0] == "ZERO":
        conn.sendall(b"abc\0def")
        end_gracefully(conn)
    elif command[0] == "BYE":
        end_gracefully(conn)
    elif command[0] == "CONNECT":
        threading.Thread(target=connect_to_script, args=(int(command[1]),), daemon=True).start()
        end_gracefully(conn)
    else:
        conn.close()


def udp_echo(sock):
    while True:
        data, sender = sock.recvfrom(65536)
        sock.sendto(data, sender)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--host", required=True)
    parser.add_argument("--scripts", required=True)
    parser.add_argument("--timeout", type=int, default=300)
    options = parser.parse_args()

    echo = tcp_listener()
    control = tcp_listener()
    udp = udp_socket()
    serve(echo, echo_handler)
    serve(control, control_handler)
    threading.Thread(target=udp_echo, args=(udp,), daemon=True).start()

    ports = {
        "echo": port_of(echo),
        "control": port_of(control),
        "udp": port_of(udp),
        "free_tcp": free_ports(socket.SOCK_STREAM, 1)[0],
        "free_udp": free_ports(socket.SOCK_DGRAM, 1)[0],
    }
    script = os.path.join(os.path.abspath(options.scripts), "run_all.lua")
    command = [options.wine, os.path.abspath(options.host), script]
    command += ["%s=%d" % item for item in ports.items()]
    # The debug log goes to the current directory: use a fresh one. The
    # host's output goes through a file: Wine's service processes, started
    # by the first program of a session, inherit the output handles and
    # would keep a pipe to the caller open long after the host ended.
    with tempfile.TemporaryDirectory() as workdir:
        log_path = os.path.join(workdir, "host-output.txt")
        with open(log_path, "wb") as log:
            try:
                result = subprocess.run(command, cwd=workdir, timeout=options.timeout,
                                        stdin=subprocess.DEVNULL, stdout=log, stderr=log)
                returncode = result.returncode
            except subprocess.TimeoutExpired:
                returncode = None
        with open(log_path, "rb") as log:
            sys.stdout.write(log.read().decode("utf-8", "replace"))
    if returncode is None:
        print("tolva tests: the host timed out", flush=True)
        return 1
    print("tolva tests: host exited with", returncode, flush=True)
    return returncode


if __name__ == "__main__":
    sys.exit(main())
