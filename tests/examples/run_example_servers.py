#!/usr/bin/env python3
"""The example servers under clients nobody here wrote, and luahost.exe's
own behaviour, from the build tree:

  http_server.lua   curl: 25 requests at once, 1,000 in turn (echoes,
                    pages, unknown paths as HTTP/1.0), a request line over
                    the limit; socat: a request in pieces; Ctrl+C at the end
  chat_server.lua   socat and nc: lines, names, telnet's line ends, a client
                    that never reads beside a flood, one that vanishes
  udp_exchange.lua  socat as the UDP peer
  echo_server.lua   5 MB through socat, every byte back
  luahost.exe       usage, a script error, os.exit, Ctrl+C in five places

Prints the figures: requests, bytes and times.
"""
import argparse
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "..", "scripts", "lib")]
import host_behaviour  # noqa: E402
import real_clients  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, flush=True)
    return condition


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--luahost", required=True)
    parser.add_argument("--examples", required=True)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as workdir:
        host = real_clients.Host(options.wine, options.luahost, os.path.abspath(options.examples), workdir)
        figures = real_clients.check_http_server(host, check)
        figures += real_clients.check_chat_server(host, check)
        figures += real_clients.check_udp_exchange(host, check)
        figures += real_clients.check_echo_file(host, check)
        figures += host_behaviour.check_host_cases(options.wine, options.luahost, workdir, check)
    for figure in figures:
        print("figure: " + figure)
    print("%d check(s) failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
