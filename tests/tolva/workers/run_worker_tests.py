#!/usr/bin/env python3
"""Runs the tolva worker tests: a few tolva_worker_host processes under Wine,
each running one Lua script, against loopback peers driven from here.

A script gives the driver commands over a TCP connection to the control
port, one line per connection:

  PROBE port      connect to the script's port; answer "CLOSED" if the
                  script closes the connection without sending, else
                  "GOT <text>" with the first text it sends
  UDPEMPTY port   send an empty datagram to the script's port; answer "SENT"
  UDPLATER port   answer "OK", then send the datagram "late" to the script's
                  port after 300 ms and "rescue" after 10 s
  TCPLATER port   answer "OK", then connect to the script's port after
                  300 ms and once more after 10 s
  CLIENTS port n m   after the script closed the control connection (its
                  slot is needed): n clients connect to the port, a few at a
                  time (the listening backlog is 4), and each waits for the
                  script's greeting line; once all are connected each sends
                  lines "<client>:<seq>\\n" for seq 1..m in pieces of varying
                  size, closes its sending side and waits for the script to
                  close the connection
  STREAM port n   after the control connection closed: n clients connect and
                  send "s\\n" every few milliseconds until the connection ends
  RECORDS n       answers the records "0000001\\n" to n (seven digits) in
                  bursts of varying size with short pauses, then closes

Ports are passed to the scripts as NAME=PORT arguments.

The examples' echo and chat servers are run too, with clients from here.
"""
import argparse
import os
import random
import socket
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
sys.path.insert(0, os.path.join(ROOT, "scripts", "lib"))
from loopback import (connect, free_ports, line_reader, port_of, read_line, run_script_host, serve,  # noqa: E402
                      tcp_listener, wait_for_close)

failures = []
failures_lock = threading.Lock()
# The streaming clients of the running host: each a {"connected", "ended"}
# record, changed under stream_changed, which is notified on every change.
stream_clients = []
stream_changed = threading.Condition()


def fail(message):
    with failures_lock:
        failures.append(message)
    print("driver: FAIL " + message, flush=True)


def probe(control, port):
    try:
        peer = connect(port)
        peer.settimeout(30)
        data = peer.recv(4096)
        answer = "GOT " + data.decode() if data else "CLOSED"
        peer.close()
    except OSError as error:
        answer = "ERROR " + str(error)
    control.sendall((answer + "\n").encode())


def load_client(port, number, messages, connecting, barrier):
    try:
        with connecting:
            peer = connect(port)
            greeting = read_line(peer)
        if greeting != "hi":
            raise OSError("greeting %r" % greeting)
        barrier.wait(timeout=120)
        data = b"".join(b"%d:%d\n" % (number, seq) for seq in range(1, messages + 1))
        pieces = random.Random(number)
        offset = 0
        while offset < len(data):
            size = pieces.randint(1, 300)
            peer.sendall(data[offset:offset + size])
            offset += size
        peer.shutdown(socket.SHUT_WR)
        wait_for_close(peer)
        peer.close()
    except (OSError, threading.BrokenBarrierError) as error:
        fail("load client %d: %s" % (number, error))
        barrier.abort()


def mark_stream_client(record, key):
    with stream_changed:
        record[key] = True
        stream_changed.notify_all()


def stream_client(port, record):
    try:
        peer = connect(port)
        mark_stream_client(record, "connected")
        while True:
            peer.sendall(b"s\n")
            time.sleep(0.005)  # a steady stream, not a wait
    except OSError:
        mark_stream_client(record, "ended")


def handle_command(control):
    command = read_line(control).split()
    if not command:
        control.close()
        return
    name = command[0]
    if name == "PROBE":
        probe(control, int(command[1]))
    elif name == "UDPEMPTY":
        udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        udp.sendto(b"", ("127.0.0.1", int(command[1])))
        udp.close()
        control.sendall(b"SENT\n")
    elif name == "UDPLATER":
        control.sendall(b"OK\n")
        port = int(command[1])

        def send_later():
            udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
            time.sleep(0.3)
            udp.sendto(b"late", ("127.0.0.1", port))
            time.sleep(10)
            udp.sendto(b"rescue", ("127.0.0.1", port))
            udp.close()
        threading.Thread(target=send_later, daemon=True).start()
    elif name == "TCPLATER":
        control.sendall(b"OK\n")
        port = int(command[1])

        def connect_later():
            peers = []
            try:
                for pause in (0.3, 10):
                    time.sleep(pause)
                    peers.append(socket.create_connection(("127.0.0.1", port), timeout=30))
                time.sleep(10)
            except OSError:
                pass
            for peer in peers:
                peer.close()
        threading.Thread(target=connect_later, daemon=True).start()
    elif name == "RECORDS":
        stream = b"".join(b"%07d\n" % n for n in range(1, int(command[1]) + 1))
        bursts = random.Random(7)
        offset = 0
        try:
            while offset < len(stream):
                size = bursts.choice((1, 5, 300, 1500, 5000, 20000))
                control.sendall(stream[offset:offset + size])
                offset += size
                if bursts.random() < 0.3:
                    time.sleep(0.002)
        except OSError as error:
            fail("RECORDS: %s" % error)
    elif name in ("CLIENTS", "STREAM"):
        wait_for_close(control)
        port, count = int(command[1]), int(command[2])
        if name == "CLIENTS":
            messages = int(command[3])
            barrier = threading.Barrier(count)
            connecting = threading.Semaphore(3)
            for number in range(1, count + 1):
                threading.Thread(target=load_client,
                                 args=(port, number, messages, connecting, barrier),
                                 daemon=True).start()
        else:
            for _ in range(count):
                record = {"connected": False, "ended": False}
                with stream_changed:
                    stream_clients.append(record)
                threading.Thread(target=stream_client, args=(port, record), daemon=True).start()
    else:
        fail("unknown command " + " ".join(command))
    control.close()


def run_host(options, script, ports, environment=None):
    problem = run_script_host(options.wine, options.host, os.path.join(options.scripts, script),
                              ["%s=%d" % item for item in ports.items()], options.timeout, environment)
    if problem:
        fail(problem)


def expect_line(read, expected, what):
    line = read()
    if line != expected:
        fail("%s: got %r, expected %r" % (what, line, expected))


def talk_to_echo_server(port):
    conn = connect(port)
    read = line_reader(conn)
    for text in ("first line", "x" * 3000, "last"):
        conn.sendall((text + "\n").encode())
        expect_line(read, text, "echo server")
    conn.close()


def talk_to_chat_server(port):
    alice = connect(port)
    read_alice = line_reader(alice)
    welcome = read_alice() or ""
    if not welcome.startswith("welcome, you are guest"):
        fail("chat server: welcome %r" % welcome)
    guest_alice = welcome.rsplit(" ", 1)[-1]
    bob = connect(port)
    read_bob = line_reader(bob)
    guest_bob = (read_bob() or "").rsplit(" ", 1)[-1]
    expect_line(read_alice, guest_bob + " joined", "chat: join announced")
    alice.sendall(b"/nick alice\n")
    expect_line(read_bob, guest_alice + " is now alice", "chat: new name announced")
    alice.sendall(b"hi ")
    alice.sendall(b"all\n")
    expect_line(read_bob, "alice: hi all", "chat: a line in two pieces")
    bob.sendall(b"hello alice\n/quit\n")
    expect_line(read_alice, guest_bob + ": hello alice", "chat: the answer")
    expect_line(read_alice, guest_bob + " left", "chat: leaving announced")
    wait_for_close(bob)
    bob.close()
    alice.close()


def run_example(options, script, port, connections, client):
    command = [options.wine, os.path.abspath(options.host),
               os.path.join(os.path.abspath(options.examples), script), str(port), str(connections)]
    with tempfile.TemporaryDirectory() as workdir:
        process = subprocess.Popen(command, cwd=workdir)
        try:
            client(port)
        except OSError as error:
            fail("%s: %s" % (script, error))
        try:
            code = process.wait(timeout=options.timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            fail("%s: did not stop" % script)
            return
    print("driver: %s exited with %d" % (script, code), flush=True)
    if code != 0:
        fail("%s: exit code %d" % (script, code))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine", required=True)
    parser.add_argument("--host", required=True)
    parser.add_argument("--scripts", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--timeout", type=int, default=240)
    options = parser.parse_args()

    control = tcp_listener()
    serve(control, handle_command)

    def ports():
        chosen = {"control": port_of(control)}
        for i, port in enumerate(free_ports(socket.SOCK_STREAM, 8)):
            chosen["tcp%d" % (i + 1)] = port
        for i, port in enumerate(free_ports(socket.SOCK_DGRAM, 3)):
            chosen["udp%d" % (i + 1)] = port
        return chosen

    run_host(options, "callbacks.lua", ports())
    run_host(options, "stream_readers.lua", ports())
    run_host(options, "wait_exhausted.lua", ports())
    for _ in range(2):
        with stream_changed:
            del stream_clients[:]
        run_host(options, "load_and_unload.lua", ports())
        with stream_changed:
            if not stream_clients or not all(r["connected"] for r in stream_clients):
                fail("load_and_unload.lua: the streaming clients did not all connect")
            if not stream_changed.wait_for(lambda: all(r["ended"] for r in stream_clients), timeout=30):
                fail("load_and_unload.lua: a streaming connection outlived the host")

    # Last: their driver threads may send a datagram or connect seconds later.
    run_host(options, "receive_race.lua", ports())
    run_host(options, "accept_race.lua", ports())

    echo_port, chat_port = free_ports(socket.SOCK_STREAM, 2)
    run_example(options, "echo_server.lua", echo_port, 1, talk_to_echo_server)
    run_example(options, "chat_server.lua", chat_port, 2, talk_to_chat_server)

    print("driver: %d failure(s)" % len(failures), flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
