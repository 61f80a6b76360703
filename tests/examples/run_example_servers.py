#!/usr/bin/env python3
"""The example servers under real clients and luahost.exe's own behaviour,
from the build tree (runtime_checks.py); prints the figures."""
import argparse
import os
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [HERE, os.path.join(HERE, "..", "..", "scripts", "lib")]
import runtime_checks as checks  # noqa: E402

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, flush=True)
    return condition


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    for option in ("--wine", "--luahost", "--examples"):
        parser.add_argument(option, required=True)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory() as workdir:
        host = checks.Host(options.wine, options.luahost, os.path.abspath(options.examples), workdir)
        figures = checks.check_host_cases(options.wine, options.luahost, workdir, check)
        for road in (checks.check_http_server, checks.check_chat_server, checks.check_udp_exchange,
                     checks.check_echo_file):
            figures += road(host, check)
    print("\n".join("figure: " + figure for figure in figures))
    print("%d check(s) failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
