"""luahost.exe as a script author meets it: its usage, a script's error
and exit code, and a console stop wherever the script is: in the module's
long calls, in its own loop, in a standard library call, or with a callback
spinning in a coroutine. The cases are scripts/host_cases.lua."""
import os
import re
import socket

from loopback import connect, free_ports
from real_clients import Host, stop_from_console, wait_for_line

STOP_CASES = ("wait", "box", "loop", "read", "coroutine")


def check_usage(host, check):
    code, output = host.run(None, "--help")
    check(code == 0 and output.startswith("usage: luahost"), "luahost --help: %d %r" % (code, output[:200]))
    code, output = host.run(None)
    check(code == 2 and output.startswith("usage: luahost"), "luahost alone: %d %r" % (code, output[:200]))


def check_host_cases(wine, luahost, workdir, check):
    """The error names the script whole (its path here is longer than the
    60 or so characters Lua keeps) and its line; os.exit's code is the
    host's; every console stop ends the host by its own road."""
    scripts = os.path.join(os.path.dirname(os.path.abspath(__file__)), "scripts")
    host = Host(wine, luahost, scripts, workdir)
    check_usage(host, check)
    script = os.path.join(scripts, "host_cases.lua")
    with open(script) as source:
        line = next(n for n, text in enumerate(source, 1) if "planned failure" in text)
    code, output = host.run("host_cases.lua", "error")
    check(code == 1 and "luahost: %s:%d: planned failure" % (script, line) in output,
          "a script error: %d %r" % (code, output))
    code, output = host.run("host_cases.lua", "exit")
    check(code == 7, "os.exit(7) ended the host with %d: %r" % (code, output))

    figures = []
    for case in STOP_CASES:
        port = free_ports(socket.SOCK_STREAM, 1)[0]
        process = host.start("host_cases.lua", case, port)
        if case == "coroutine":
            client = connect(port)
            wait_for_line(process.lines, "spinning")
        # Stopped while reading its input, the script does not come back to
        # Lua code: a second Ctrl+C ends it.
        figures.append(stop_from_console(process, port, check, "a script in " + case, case == "read"))
        if case == "coroutine":
            client.close()
    return figures


def check_script_error(host, check):
    """An example given a port it cannot send to: the error's file and line,
    exit code 1."""
    code, output = host.run("udp_exchange.lua", "127.0.0.1", "0")
    check(code == 1 and re.search(r"^luahost: .*udp_exchange\.lua:\d+: sending failed", output, re.M),
          "a script error: %d %r" % (code, output))
