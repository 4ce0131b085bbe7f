# usage: tty.py MODE CMD... <TYPED
# Runs CMD with a new terminal as its standard input, not its controlling
# one, once TYPED, read from standard input, has been typed at it. MODE is
# "canonical" or "raw" (-icanon), "raw" perhaps with "-minM-timeT" for VMIN
# and VTIME, then perhaps "-hangup" to close the terminal as soon as CMD has
# read all that was typed; otherwise, when CMD has ended, what it left
# unread is written to standard output. "<pause>" in TYPED is a pause: what
# follows is typed once CMD has read all before it and VTIME and 0.2 s
# more have passed. Exits with CMD's status. The terminal's path is in
# $TTY_PATH, for strace -P.
import fcntl
import os
import re
import subprocess
import sys
import termios
import time

mode, cmd = sys.argv[1], sys.argv[2:]
raw, vmin, vtime, hangup = re.fullmatch(
    r"(canonical|raw)(?:-min(\d+)-time(\d+))?(-hangup)?", mode).groups()
parts = sys.stdin.buffer.read().split(b"<pause>")
master, slave = os.openpty()
attrs = termios.tcgetattr(slave)
attrs[3] &= ~termios.ECHO
if raw == "raw":
    attrs[3] &= ~termios.ICANON
if vmin:
    attrs[6][termios.VMIN], attrs[6][termios.VTIME] = int(vmin), int(vtime)
termios.tcsetattr(slave, termios.TCSANOW, attrs)


def waiting():
    """Bytes the terminal holds for its reader."""
    buf = fcntl.ioctl(slave, termios.TIOCINQ, b"\0\0\0\0")
    return int.from_bytes(buf, sys.byteorder)


def typein(typed):
    while typed:
        typed = typed[os.write(master, typed):]


def taken(child):
    """Waits until CMD has read all that was typed, or has ended."""
    while waiting() > 0 and child.poll() is None:
        time.sleep(0.001)


typein(parts[0])
# CMD starts once the terminal holds what was typed for its reader, which
# a canonical one does only at the line's end (LF or Ctrl-D).
while waiting() == 0:
    time.sleep(0.001)
child = subprocess.Popen(cmd, stdin=slave, start_new_session=True,
                         env=dict(os.environ, TTY_PATH=os.ttyname(slave)))
for part in parts[1:]:
    taken(child)
    time.sleep(int(vtime or 0) / 10 + 0.2)
    typein(part)
if hangup:
    taken(child)
    os.close(master)
    sys.exit(child.wait())
rc = child.wait()
# What is left is read up to a mark typed after it.
mark = b"\n--- end of what was left ---\n"
os.write(master, mark)
left = b""
while not left.endswith(mark):
    left += os.read(slave, 4096)
sys.stdout.buffer.write(left[: -len(mark)])
sys.exit(rc)
