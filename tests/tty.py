# usage: tty.py MODE CMD... <TYPED
# Runs CMD with a new terminal as its standard input, not its controlling
# one, once TYPED, read from standard input, has been typed at it. MODE is
# "canonical" or "raw" (-icanon), "raw" perhaps with "-minM-timeT" for VMIN
# and VTIME, then any of: "-extproc" to set EXTPROC; "-thenraw" to leave
# canonical mode once the terminal holds a line, before CMD starts;
# "-nonblock" for a standard input in O_NONBLOCK mode; "-hangup" to close
# the terminal as soon as CMD has read all that was typed. Without
# "-hangup", when CMD has ended, what it left unread is written to standard
# output. "<pause>" in TYPED is a pause: what
# follows is typed once CMD has read all before it and VTIME and 0.5 s
# more have passed. "<icanon>" is a pause in which, 0.1 s in, another
# process puts the terminal in canonical mode. Exits with CMD's status, or
# 1 when CMD has not ended after 10 s, or has used more CPU time in a pause
# than a tenth of it: waiting costs none. The terminal's path is in
# $TTY_PATH, for strace -P.
import fcntl
import os
import re
import signal
import subprocess
import sys
import termios
import time

mode, cmd = sys.argv[1], sys.argv[2:]
raw, vmin, vtime, flags = re.fullmatch(
    r"(canonical|raw)(?:-min(\d+)-time(\d+))?((?:-(?:extproc|thenraw|nonblock|hangup))*)",
    mode).groups()
flags = flags.split("-")
# Python's termios lacks it.
EXTPROC = getattr(termios, "EXTPROC", 0o200000)
parts = re.split(rb"<(pause|icanon)>", sys.stdin.buffer.read())
master, slave = os.openpty()
attrs = termios.tcgetattr(slave)
attrs[3] &= ~termios.ECHO
if raw == "raw":
    attrs[3] &= ~termios.ICANON
if "extproc" in flags:
    attrs[3] |= EXTPROC
if vmin:
    attrs[6][termios.VMIN], attrs[6][termios.VTIME] = int(vmin), int(vtime)
child = None


def fail(why):
    print(f"tty.py: {why}", file=sys.stderr)
    if child:
        os.killpg(child.pid, signal.SIGKILL)
    sys.exit(1)


signal.signal(signal.SIGALRM, lambda *_: fail("CMD has not ended after 10 s"))
signal.alarm(10)


def setmode(attrs):
    """Sets the terminal's mode, and fails if it did not take."""
    termios.tcsetattr(slave, termios.TCSANOW, attrs)
    if termios.tcgetattr(slave)[3] != attrs[3]:
        fail(f"the terminal did not take the mode {mode}")


setmode(attrs)


def waiting():
    """Bytes the terminal holds for its reader."""
    buf = fcntl.ioctl(slave, termios.TIOCINQ, b"\0\0\0\0")
    return int.from_bytes(buf, sys.byteorder)


def typein(typed):
    while typed:
        typed = typed[os.write(master, typed):]


def taken():
    """Waits until CMD has read all that was typed, or has ended."""
    while waiting() > 0 and child.poll() is None:
        time.sleep(0.001)


def cpu():
    """CMD's CPU time so far in seconds; 0 once it has been reaped."""
    try:
        with open(f"/proc/{child.pid}/stat") as f:
            ticks = f.read().rpartition(")")[2].split()[11:13]
    except FileNotFoundError:
        return 0
    return sum(map(int, ticks)) / os.sysconf("SC_CLK_TCK")


def pause(kind):
    taken()
    start, used = time.monotonic(), cpu()
    wait = int(vtime or 0) / 10 + 0.5
    if kind == b"icanon":
        time.sleep(0.1)
        attrs[3] |= termios.ICANON
        setmode(attrs)
    time.sleep(max(0, wait - (time.monotonic() - start)))
    used = cpu() - used
    if used > wait / 10:
        fail(f"CMD used {used:.2f} s of CPU time in a pause of {wait:.1f} s")


typein(parts[0])
# CMD starts once the terminal holds what was typed for its reader, which
# a canonical one does only at the line's end (LF or Ctrl-D).
while waiting() == 0:
    time.sleep(0.001)
if "thenraw" in flags:
    attrs[3] &= ~termios.ICANON
    setmode(attrs)
# An open file description of its own, so that O_NONBLOCK is CMD's alone.
stdin = os.open(os.ttyname(slave), os.O_RDWR | os.O_NOCTTY |
                (os.O_NONBLOCK if "nonblock" in flags else 0))
child = subprocess.Popen(cmd, stdin=stdin, start_new_session=True,
                         env=dict(os.environ, TTY_PATH=os.ttyname(slave)))
os.close(stdin)
for kind, typed in zip(parts[1::2], parts[2::2]):
    pause(kind)
    typein(typed)
if "hangup" in flags:
    taken()
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
