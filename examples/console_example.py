#!/usr/bin/env python3
"""Talks to the sensor console from a script, with nothing but Python's
standard library: opens the port at 115200 baud 8N1 raw, wakes the console,
then reads each parameter named on the command line.

    python3 console_example.py PORT [KEY ...]

PORT is a device path (/dev/ttyUSB0) or a simulator link from
$XDG_RUNTIME_DIR/varn-ports/. Without keys it reads sens-type and fw-version.

The console protocol: every command is sent as text followed by one CR.
The sensor answers with the echo of the command and CR LF, then one status
line ending in CR LF. The status line begins with "OK" on success; the value
is everything after its first "=".
"""
import fcntl
import os
import select
import sys
import termios
import time


def open_port(path):
    fd = os.open(path, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
    # The suite's programs lock the port; respect theirs and take ours.
    fcntl.flock(fd, fcntl.LOCK_EX | fcntl.LOCK_NB)
    attrs = termios.tcgetattr(fd)
    iflag, oflag, cflag, lflag, ispeed, ospeed, cc = attrs
    iflag = 0
    oflag = 0
    lflag = 0
    cflag = termios.CS8 | termios.CREAD | termios.CLOCAL
    cc[termios.VMIN] = 0
    cc[termios.VTIME] = 0
    termios.tcsetattr(fd, termios.TCSANOW,
                      [iflag, oflag, cflag, lflag, termios.B115200, termios.B115200, cc])
    termios.tcflush(fd, termios.TCIOFLUSH)
    return fd


def read_line(fd, timeout):
    """One line without its CR LF, or None when nothing complete came."""
    line = b""
    deadline = time.monotonic() + timeout
    while True:
        left = deadline - time.monotonic()
        if left <= 0:
            return None
        ready, _, _ = select.select([fd], [], [], left)
        if not ready:
            continue
        byte = os.read(fd, 1)
        if not byte:
            continue
        if byte == b"\n":
            return line.replace(b"\r", b"").decode("latin-1")
        line += byte
        if len(line) > 2047:
            return line.decode("latin-1")


def wakeup(fd):
    for _ in range(3):
        os.write(fd, b"wakeup!\r")
        time.sleep(0.3)
    termios.tcflush(fd, termios.TCIOFLUSH)


def command(fd, text, timeout=1.0):
    os.write(fd, text.encode("latin-1") + b"\r")
    echo = read_line(fd, timeout)
    if echo != text:
        raise RuntimeError("bad echo for %r: %r" % (text, echo))
    status = read_line(fd, timeout)
    if status is None or len(status) < 2:
        raise RuntimeError("no status line for %r" % text)
    value = status.split("=", 1)[1] if "=" in status else ""
    if not status.startswith("OK"):
        raise RuntimeError("%r refused: %s" % (text, value))
    return value


def main(argv):
    if len(argv) < 2 or argv[1] in ("-h", "--help"):
        print(__doc__)
        return 2
    keys = argv[2:] or ["sens-type", "fw-version"]
    fd = open_port(argv[1])
    try:
        wakeup(fd)
        for key in keys:
            print("%s=%s" % (key, command(fd, "get " + key)))
    except RuntimeError as err:
        print("error: %s" % err, file=sys.stderr)
        return 1
    finally:
        os.close(fd)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
