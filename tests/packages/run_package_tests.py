#!/usr/bin/env python3
"""Checks the release packages the way their users get them.

Each archive must hold exactly what its users need (nothing from the build
tree), the DLL must carry the version the archive is named with, and the
demo road must work from an empty folder into which the archive was
unpacked:

  oboard  with only the stand-in host copied beside it: orvane.exe (and its
          contacts file) loads the packaged oboard.dll, an invitation is
          sent and accepted, which opens a board, and strokes of every tool
          and another plugin's drawing messages are drawn on it; the saved
          picture must show their colours.
  tolva   alone, as it brings its runtime: the packaged luahost.exe and
          LuaPlus.dll load the packaged tolva.dll and run the packaged
          examples: tcp_client.lua against a loopback peer (the bytes the
          peer got and what the script printed), echo_server.lua answering
          a client, udp_exchange.lua with socat, http_server.lua under curl
          and stopped by Ctrl+C; and luahost.exe's usage and a script's
          error.
"""
import argparse
import os
import re
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import zipfile

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, flush=True)
    return condition


# ---- archives ---------------------------------------------------------------


def archive_files(archive):
    return sorted(n for n in archive.namelist() if not n.endswith("/"))


def member(archive, name):
    """The bytes of a file of the archive; None, and a failure, without it."""
    if not check(name in archive.namelist(), "the archive has no %s" % name):
        return None
    return archive.read(name)


def text_of(archive, name):
    data = member(archive, name)
    return data.decode("utf-8") if data is not None else ""


def check_document(archive, name, source_text=None):
    """A document for Windows users: CRLF line ends only; the same text as
    its source, if given."""
    data = member(archive, name)
    if data is None:
        return
    check(b"\n" not in data.replace(b"\r\n", b""), "%s: a line end without CR" % name)
    if source_text is not None:
        check(data.decode("utf-8").replace("\r\n", "\n") == source_text, "%s differs from its source" % name)


def guide_pictures(markdown):
    return sorted(set(re.findall(r"\]\((images/[^)]+\.png)\)", markdown)))


def check_oboard_contents(archive, options):
    headers_dir = os.path.join(options.source, "board", "include", "oboard")
    headers = sorted("include/oboard/" + n for n in os.listdir(headers_dir) if n.endswith(".h"))
    guide = text_of(archive, "MESSAGES.md")
    pictures = guide_pictures(guide)
    check(len(pictures) > 0, "MESSAGES.md shows no picture")
    expected = sorted(["oboard.dll", "README.txt", "LICENSE.txt", "MESSAGES.md"] + headers + pictures)
    check(archive_files(archive) == expected,
          "oboard archive holds %s, expected %s" % (archive_files(archive), expected))
    for header in headers:
        with open(os.path.join(headers_dir, os.path.basename(header)), "rb") as source:
            check(member(archive, header) == source.read(), "%s differs from board/include" % header)
    for picture in pictures:
        with open(os.path.join(options.source, "docs", picture), "rb") as source:
            check(member(archive, picture) == source.read(), "%s differs from docs/%s" % (picture, picture))
    check_document(archive, "LICENSE.txt", read_source(options, "LICENSE"))
    check_document(archive, "MESSAGES.md", read_source(options, "docs", "plugin-messages.md"))
    check_document(archive, "README.txt")
    check(text_of(archive, "README.txt").startswith("Orvane Board %s " % options.oboard_version),
          "README.txt does not begin with the version %s" % options.oboard_version)


def check_tolva_contents(archive, options):
    examples_dir = os.path.join(options.source, "examples")
    examples = sorted("examples/" + n for n in os.listdir(examples_dir) if n.endswith(".lua"))
    runtime = ["luahost.exe", "LuaPlus.dll", "LICENSE-Lua.txt", "include/LuaPlus/LuaPlus.h", "lib/libLuaPlus.dll.a"]
    expected = sorted(["tolva.dll", "README.txt", "LICENSE.txt", "REFERENCE.md", "CALLBACKS.md"] + examples + runtime)
    check(archive_files(archive) == expected,
          "tolva archive holds %s, expected %s" % (archive_files(archive), expected))
    for example in examples:
        with open(os.path.join(examples_dir, os.path.basename(example)), "rb") as source:
            check(member(archive, example) == source.read(), "%s differs from examples/" % example)
    check_document(archive, "LICENSE.txt", read_source(options, "LICENSE"))
    check_document(archive, "CALLBACKS.md", read_source(options, "docs", "callback-servers.md"))
    check_document(archive, "README.txt")
    check_document(archive, "LICENSE-Lua.txt")
    check("Lua.org, PUC-Rio" in text_of(archive, "LICENSE-Lua.txt"), "LICENSE-Lua.txt is not Lua's notice")
    check(text_of(archive, "README.txt").startswith("tolva %s " % options.tolva_version),
          "README.txt does not begin with the version %s" % options.tolva_version)
    # The reference is the function part of examples/README.md, every
    # function of the module in it.
    reference = text_of(archive, "REFERENCE.md").replace("\r\n", "\n")
    check(reference.startswith("# tolva %s" % options.tolva_version), "REFERENCE.md does not name the version")
    readme = read_source(options, "examples", "README.md")
    check(readme[readme.index("## The examples"):] in reference, "REFERENCE.md lacks part of examples/README.md")
    for function in ("tCreate", "tClose", "tConnect", "tListen", "tAccept", "tWait", "tRecv", "tSend", "tSendTo",
                     "tSetCallback", "tGetError", "tMsg", "tClean", "tGetCount", "tStartDebug", "tStopDebug",
                     "tFlash", "tFlashAsync", "tSetFlashTime"):
        check("`%s(" % function in reference, "REFERENCE.md does not describe %s" % function)


def read_source(options, *parts):
    with open(os.path.join(options.source, *parts), encoding="utf-8") as source:
        return source.read()


# ---- the DLLs -----------------------------------------------------------------


def pe_sections(data):
    """The machine of a PE file, the names of its sections (long names looked
    up in the string table) and its number of symbols."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[header:header + 4] != b"PE\0\0":
        return None, [], 0
    machine, count, _, symbols_at, symbols = struct.unpack_from("<HHIII", data, header + 4)
    optional_size = struct.unpack_from("<H", data, header + 20)[0]
    table = header + 24 + optional_size
    strings = symbols_at + 18 * symbols
    names = []
    for i in range(count):
        name = data[table + 40 * i:table + 40 * i + 8].rstrip(b"\0").decode("latin-1")
        if name.startswith("/") and symbols_at:
            start = strings + int(name[1:])
            name = data[start:data.index(b"\0", start)].decode("latin-1")
        names.append(name)
    return machine, names, symbols


def version_block(data):
    """The fixed file and product versions and the FileVersion and
    ProductVersion texts of a DLL's version block."""
    fixed = data.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        return None
    file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIII", data, fixed + 8)

    def numbers(ms, ls):
        return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    def text(key):
        at = data.find((key + "\0").encode("utf-16-le"))
        if at < 0:
            return None
        at += 2 * (len(key) + 1)
        while data[at:at + 2] == b"\0\0":
            at += 2
        end = at
        while data[end:end + 2] != b"\0\0":
            end += 2
        return data[at:end].decode("utf-16-le")

    return {"file": numbers(file_ms, file_ls), "product": numbers(product_ms, product_ls),
            "FileVersion": text("FileVersion"), "ProductVersion": text("ProductVersion")}


def check_dll(archive, name, version=None):
    """A 32-bit program or DLL released stripped, with the version block of
    the archive's version if given."""
    data = member(archive, name)
    if data is None:
        return
    machine, sections, symbols = pe_sections(data)
    check(machine == 0x14C, "%s is not a 32-bit x86 PE file" % name)
    # Released stripped: no debugging information, no symbols.
    check(not any(s.startswith(".debug") for s in sections) and symbols == 0,
          "%s keeps debugging information: sections %s, %d symbols" % (name, sections, symbols))
    if version is None:
        return
    block = version_block(data)
    if not check(block is not None, "%s has no version block" % name):
        return
    four_parts = ".".join((version.split(".") + ["0", "0", "0"])[:4])
    check(block["file"] == four_parts and block["product"] == four_parts,
          "%s: version numbers %s / %s, the archive says %s" % (name, block["file"], block["product"], version))
    check(block["FileVersion"] == version and block["ProductVersion"] == version,
          "%s: version texts %s / %s, the archive says %s" %
          (name, block["FileVersion"], block["ProductVersion"], version))


def unpack(archive, folder):
    archive.extractall(folder)
    check(sorted(os.listdir(folder)) == sorted({n.split("/")[0] for n in archive.namelist()}),
          "unpacking left other files in %s" % folder)


# ---- running under Wine -------------------------------------------------------


def run(options, folder, program, arguments):
    command = [options.wine, os.path.join(folder, program)] + arguments
    print("running in the unpacked folder: %s %s" % (program, " ".join(arguments)), flush=True)
    try:
        result = subprocess.run(command, cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=options.timeout)
    except subprocess.TimeoutExpired:
        check(False, "%s did not end" % program)
        return None, ""
    output = result.stdout.decode("latin-1").replace("\r\n", "\n")
    print(output, flush=True)
    return result.returncode, output


def read_bmp(path):
    """Width, height and a function giving the (r, g, b) pixel at (x, y)."""
    with open(path, "rb") as picture:
        data = picture.read()
    check(data[:2] == b"BM", "%s is not a BMP file" % path)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    check(bits == 24, "%s: %d bits per pixel, expected 24" % (path, bits))
    row = (width * 3 + 3) & ~3
    counts = {}
    for y in range(abs(height)):
        start = offset + y * row
        line = data[start:start + width * 3]
        for x in range(0, len(line), 3):
            rgb = (line[x + 2], line[x + 1], line[x])
            counts[rgb] = counts.get(rgb, 0) + 1
    return width, abs(height), counts


# What the demo road draws and the least number of pixels each must cover:
# the strokes of the mouse (free hand, lines, rectangles, ellipses in the
# board's menu colours) and the shapes of another plugin's drawing messages.
DEMO_COLOURS = {
    "red strokes": ((0xE8, 0x2D, 0x17), 200),
    "blue lines and filled ellipse": ((0x00, 0xC6, 0xFF), 2000),
    "green rectangle outlines": ((0x1B, 0xE4, 0x48), 200),
    "yellow rectangle fill": ((0xFF, 0xFF, 0x00), 2000),
    "brown walls and roof (plugin messages)": ((120, 60, 20), 200),
    "house wall fill (plugin messages)": ((250, 220, 160), 2000),
    "window fill (plugin messages)": ((120, 180, 255), 200),
    "sun without outline (plugin messages)": ((255, 200, 0), 200),
}


def oboard_road(options):
    with zipfile.ZipFile(options.oboard_package) as archive:
        check_oboard_contents(archive, options)
        check_dll(archive, "oboard.dll", options.oboard_version)
        with tempfile.TemporaryDirectory(prefix="oboard-package-") as folder:
            unpack(archive, folder)
            shutil.copy(options.orvane, os.path.join(folder, "orvane.exe"))
            shutil.copy(options.contacts, os.path.join(folder, "demo_contacts.txt"))
            code, output = run(options, folder, "orvane.exe",
                               ["--config", "orvane_config.txt", "--contacts", "demo_contacts.txt",
                                "--invite", "772", "2", "Pakiet", "--accept", "--demo", "board.bmp"])
            check(code == 0, "orvane.exe ended with %s" % code)
            loaded = re.search(r"^loaded (.*)$", output, re.M)
            check(loaded and loaded.group(1).lower().endswith(
                ("\\" + os.path.basename(folder) + "\\oboard.dll").lower()),
                "orvane.exe did not load the unpacked oboard.dll")
            check(re.search(r"^version: +%s$" % re.escape(options.oboard_version), output, re.M),
                  "the plugin does not answer the version %s" % options.oboard_version)
            check('invitation 1 to ola@orvane.example (net 772): "772 2 Pakiet", sent' in output,
                  "the invitation was not stored and sent")
            check('open: "Grafika - Pakiet"' in output, "accepting the invitation opened no board")
            picture = os.path.join(folder, "board.bmp")
            if check(os.path.exists(picture), "no picture of the board"):
                width, height, counts = read_bmp(picture)
                check(width >= 640 and height >= 480, "the picture is %dx%d" % (width, height))
                for what, (rgb, least) in DEMO_COLOURS.items():
                    check(counts.get(rgb, 0) >= least,
                          "the picture shows %d pixels of the %s %s, expected at least %d" %
                          (counts.get(rgb, 0), what, rgb, least))


def serve_one_line(listener, received):
    """The peer of tcp_client.lua: reads one line, answers it in capitals and
    ends the connection gracefully. Records what it got; nothing if the
    script never connected."""
    try:
        conn, _ = listener.accept()
    except OSError:
        return
    conn.settimeout(60)
    try:
        data = b""
        while not data.endswith(b"\n"):
            piece = conn.recv(1024)
            if not piece:
                break
            data += piece
        received.append(data)
        conn.sendall(data.upper())
    except OSError:
        pass
    end_gracefully(conn)


def tolva_road(options):
    with zipfile.ZipFile(options.tolva_package) as archive:
        check_tolva_contents(archive, options)
        check_dll(archive, "tolva.dll", options.tolva_version)
        check_dll(archive, "luahost.exe")
        check_dll(archive, "LuaPlus.dll")
        with tempfile.TemporaryDirectory(prefix="tolva-package-") as folder:
            unpack(archive, folder)

            # A script talking over a socket.
            listener = tcp_listener(1)
            listener.settimeout(options.timeout)
            received = []
            peer = threading.Thread(target=serve_one_line, args=(listener, received), daemon=True)
            peer.start()
            text = "hello from the package"
            code, output = run(options, folder, "luahost.exe",
                               ["examples/tcp_client.lua", "127.0.0.1", str(port_of(listener)), text])
            peer.join(options.timeout)
            listener.close()
            check(code == 0, "tcp_client.lua ended with %s" % code)
            check(received == [(text + "\n").encode()], "the peer got %r" % received)
            check("sent %d bytes: %s" % (len(text) + 1, text) in output, "the script did not report what it sent")
            check("received: " + text.upper() in output, "the script did not print the peer's answer")

            # A server on callbacks: one connection, echoed, then it stops.
            port = free_ports(socket.SOCK_STREAM, 1)[0]
            server = subprocess.Popen([options.wine, os.path.join(folder, "luahost.exe"), "examples/echo_server.lua",
                                       str(port), "1"], cwd=folder, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
            echoes = []
            try:
                conn = connect(port, deadline_seconds=options.timeout)
                for line in (b"first line\n", b"second line\n"):
                    conn.sendall(line)
                    answer = b""
                    while len(answer) < len(line):
                        piece = conn.recv(1024)
                        if not piece:
                            break
                        answer += piece
                    echoes.append(answer)
                conn.close()
                output = server.communicate(timeout=options.timeout)[0].decode("latin-1").replace("\r\n", "\n")
            except (OSError, subprocess.TimeoutExpired) as error:
                server.kill()
                output = server.communicate()[0].decode("latin-1")
                check(False, "the echo server: %s" % error)
            print(output, flush=True)
            check(echoes == [b"first line\n", b"second line\n"], "the echo server answered %r" % echoes)
            check(server.returncode == 0, "echo_server.lua ended with %s" % server.returncode)
            check(re.search(r"^connection \d+ ended \(reason 1\)$", output, re.M),
                  "the server did not see the connection end")
            check("echo server stopped" in output, "the server did not stop")

            # Real clients, the host's usage and errors, a stop by Ctrl+C.
            host = checks.Host(options.wine, os.path.join(folder, "luahost.exe"), "examples", folder)
            figures = checks.check_udp_exchange(host, check)
            figures += checks.check_http_server(host, check, in_turn=100)
            checks.check_usage_and_error(host, check, "udp_exchange.lua", ["127.0.0.1", "0"],
                                         r"^luahost: examples.udp_exchange\.lua:\d+: sending failed")
            print("\n".join("figure: " + figure for figure in figures), flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--wine", required=True)
    parser.add_argument("--source", required=True, help="the project's source tree")
    parser.add_argument("--oboard-package", required=True)
    parser.add_argument("--oboard-version", required=True)
    parser.add_argument("--tolva-package", required=True)
    parser.add_argument("--tolva-version", required=True)
    parser.add_argument("--orvane", required=True, help="the stand-in Orvane host program")
    parser.add_argument("--contacts", required=True, help="its contacts file")
    parser.add_argument("--timeout", type=float, default=120)
    options = parser.parse_args()

    sys.path[:0] = [os.path.join(options.source, "scripts", "lib"), os.path.join(options.source, "tests", "examples")]
    global connect, end_gracefully, free_ports, port_of, tcp_listener, checks
    from loopback import connect, end_gracefully, free_ports, port_of, tcp_listener
    import runtime_checks as checks

    oboard_road(options)
    tolva_road(options)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("both packages are complete: each works from an empty folder (oboard's with only its host beside it)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
