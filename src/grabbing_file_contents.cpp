/*
 * grabbing_file_contents: ask for a file name, then show the file's text
 * with every line ended by one LF, and one more LF after it.
 */
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>

// First capacity for files that report no size: pipes, /proc, devices.
static constexpr std::size_t BLOCK = std::size_t{128} * 1024;
// read(2) and write(2) move at most about 2 GiB at once; ask for 1 GiB.
static constexpr std::size_t MAXIO = std::size_t{1} << 30;
// The most an unprivileged process may make a pipe hold, by default.
static constexpr std::size_t PIPEMAX = std::size_t{1} << 20;
// The most a text may hold. std::allocator refuses more than PTRDIFF_MAX
// bytes with a bad_alloc of its own, never calling operator new, and a
// string asks for one byte more than its capacity.
static constexpr std::size_t TEXTMAX = PTRDIFF_MAX - 1;
// Linux keeps at most this much of a line typed at a terminal, and drops
// the rest unseen.
static constexpr std::size_t TTYLINE = 4095;

static constexpr std::string_view READERR = "error while reading file.\n";

// malloc puts large blocks 16 bytes past a 64-byte line, and on AMD Zen 3
// read(2) copies a file to such a buffer at a quarter of the speed it copies
// to one on a line (1.3 against 5 GB/s; Zen 5 copies both alike). So blocks
// of a page or more, the text's, start on a line. posix_memalign, as
// aligned_alloc may refuse a size that is not a multiple of 64.
static void *allocate(std::size_t n)
{
	void *p;
	if (n < 4096)
		return std::malloc(n);
	return posix_memalign(&p, 64, n) == 0 ? p : nullptr;
}

// As the standard has it: when memory runs out, the new handler is called,
// which here ends the run (below).
void *operator new(std::size_t n)
{
	void *p;
	while ((p = allocate(n)) == nullptr) {
		std::new_handler handler = std::get_new_handler();
		if (handler == nullptr)
			throw std::bad_alloc();
		handler();
	}
	return p;
}

void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

// Waits until fd is ready for events; false when it cannot wait.
static bool ready(int fd, short events)
{
	pollfd p{fd, events, 0};
	int r;
	while ((r = poll(&p, 1, -1)) == -1 && errno == EINTR)
		;
	return r == 1;
}

// Whether fd is a regular file.
static bool regular(int fd)
{
	struct stat st;

	return fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
}

// After a failed read or write: true when it is worth trying again, which
// for a non-blocking fd means once it is ready. A regular file is always
// ready, so EAGAIN from one (a FUSE or network file system's) is a
// failure: waiting for it would spin.
static bool again(int fd, short events)
{
	return errno == EINTR || (errno == EAGAIN && !regular(fd) && ready(fd, events));
}

// read(2), but through interrupts and non-blocking waits.
static ssize_t readSome(int fd, char *p, std::size_t len)
{
	ssize_t n;
	while ((n = read(fd, p, std::min(len, MAXIO))) == -1 && again(fd, POLLIN))
		;
	return n;
}

// Writes all of s; false when the stream has failed and should get no more.
static bool writeAll(int fd, std::string_view s)
{
	while (!s.empty()) {
		ssize_t n = write(fd, s.data(), std::min(s.size(), MAXIO));
		if (n > 0)
			s.remove_prefix(std::size_t(n));
		else if (n == 0 || !again(fd, POLLOUT))
			return false;
	}
	return true;
}

static void closeFile(const int *fd) { close(*fd); }

// Faults in the whole pages of buf at once: cheaper than read(2) faulting
// them in one at a time. Only a hint, so its failure does not matter.
static void prefault(char *buf, std::size_t len)
{
#ifdef MADV_POPULATE_WRITE
	auto page = std::size_t(sysconf(_SC_PAGESIZE));
	std::size_t skip = (page - std::uintptr_t(buf) % page) % page;
	if (len >= skip + page)
		madvise(buf + skip, (len - skip) / page * page, MADV_POPULATE_WRITE);
#endif
}

// Reads into the spare capacity of text, first doubling a full text.
// Returns what read(2) returned, or -1 when the double would hold more
// than TEXTMAX.
static ssize_t readMore(int fd, std::string &text)
{
	std::size_t room = text.capacity() - text.size();
	if (room == 0) {
		if (text.capacity() > TEXTMAX - text.capacity())
			return -1;
		room = text.capacity();
	}
	// The new bytes go after the text as it is now: the length handed to
	// the operation may be the grown capacity, not the size asked for.
	std::size_t have = text.size();
	ssize_t n = 0;
	text.resize_and_overwrite(have + room, [&](char *p, std::size_t) {
		n = readSome(fd, p + have, room);
		return have + (n > 0 ? std::size_t(n) : 0);
	});
	return n;
}

// Reads fd to its end into text; false when a read fails. The last read,
// which finds the end, always has room, so one byte more fits without
// growing the text.
static bool readAll(int fd, std::string &text)
{
	struct stat st;

	// A regular file's size is only a hint: it may change while we read.
	// The extra byte finds end of file and holds a missing final LF.
	if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
		if (std::uintmax_t(st.st_size) >= TEXTMAX)
			return false;
		text.reserve(std::size_t(st.st_size) + 1);
		prefault(text.data(), text.capacity());
	} else
		text.reserve(BLOCK);
	ssize_t n;
	while ((n = readMore(fd, text)) > 0)
		;
	return n == 0;
}

std::string getContents(std::string name)
{
	// No file's name holds a NUL: one in the name must not cut the path
	// short, to a file that the caller never named.
	int fd = -1;
	if (name.find('\0') == std::string::npos)
		fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
	if (fd == -1) {
		writeAll(STDERR_FILENO, "could not open file.\n");
		return {};
	}
	// Closes the file on every way out of this call.
	std::unique_ptr<const int, void (*)(const int *)> file(&fd, closeFile);

	std::string text;
	if (!readAll(fd, text)) {
		writeAll(STDERR_FILENO, READERR);
		return {};
	}
	if (!text.empty() && text.back() != '\n')
		text += '\n';
	return text;
}

// Whether a read of a terminal so set takes whatever has been typed, past
// an LF too: in non-canonical mode, where with VMIN 0 it may also end with
// nothing when typing pauses, and with EXTPROC (the line mode of telnet
// and rlogin), where the kernel hands reads raw bytes in canonical mode
// too.
static bool readsRaw(const termios &t)
{
	return !(t.c_lflag & ICANON) || (t.c_lflag & EXTPROC);
}

// Whether the terminal at fd reads raw now; false for one that has hung
// up (EIO).
static bool rawNow(int fd)
{
	termios t;

	return tcgetattr(fd, &t) == 0 && readsRaw(t);
}

// After a read of the terminal at fd gave 0 bytes: whether that was a
// pause in typing, not the end of input. Only Ctrl-D at a terminal that
// reads lines ends the input, so a read begun raw, or one whose terminal
// reads raw now, was a pause, even if the mode changed while it ran. A
// terminal that has hung up (EIO) has ended.
static bool wasPause(int fd, bool began)
{
	termios t;

	return tcgetattr(fd, &t) == 0 && (began || readsRaw(t));
}

// readSome at a terminal. Where reads are raw it reads a byte at a time,
// so that no read takes what was typed after the line's LF: a terminal
// cannot take it back, and it is the shell's. A pause in typing is waited
// out.
static ssize_t readTyped(int fd, char *p, std::size_t len)
{
	bool began;
	ssize_t n;

	do {
		began = rawNow(fd);
		n = readSome(fd, p, began ? 1 : len);
	} while (n == 0 && wasPause(fd, began) && ready(fd, POLLIN));
	return n;
}

// Reads fd into buf up to and past its next LF, or until buf is full or the
// input ends. What came past the LF is given back to a regular file for
// whoever reads it next; a pipe cannot take it back, and a terminal is
// never read past it. Returns the bytes held, the LF included, or -1 when
// a read fails.
static ssize_t readLine(int fd, bool tty, char *buf, std::size_t size)
{
	std::size_t have = 0;
	ssize_t n = 0;

	while (have < size && (n = (tty ? readTyped : readSome)(fd, buf + have, size - have)) > 0) {
		const char *lf = static_cast<const char *>(std::memchr(buf + have, '\n', std::size_t(n)));
		have += std::size_t(n);
		if (lf) {
			auto len = std::size_t(lf - buf) + 1;
			if (have > len)
				lseek(fd, off_t(len) - off_t(have), SEEK_CUR);
			return ssize_t(len);
		}
	}
	return n < 0 ? -1 : ssize_t(have);
}

// Reads a regular file or a terminal on to just past its next LF through
// buf, holding nothing; false when a read fails. What a terminal keeps of
// a line would otherwise reach the shell as a command, and a terminal's
// line does end: at Enter, at end of input, or when it hangs up. A pipe or
// device may never end the line, so it is left as it is.
static bool skipLine(int fd, bool tty, char *buf, std::size_t size)
{
	ssize_t n;

	if (!tty && !regular(fd))
		return true;
	while ((n = readLine(fd, tty, buf, size)) == ssize_t(size) && buf[size - 1] != '\n')
		;
	return n >= 0;
}

// True when a name of len bytes, ended by its LF or not, may not be what
// was typed at the terminal fd. In canonical mode a terminal keeps 4095
// bytes of a line and drops the rest unseen, and its mode may have changed
// since the line was typed: at any terminal, a name that long may have
// been cut. One that has hung up (EIO) ends every read as if the input
// ended, so it may have ended a name before its LF. A short line ended by
// its LF was typed whole, and costs no call.
static bool cutByTerminal(int fd, std::size_t len, bool ended)
{
	termios t;

	if (len >= TTYLINE)
		return true;
	return !ended && tcgetattr(fd, &t) != 0 && errno == EIO;
}

// The first line of fd without its LF; empty when a read fails or a
// terminal may have cut it, so that no shorter name is opened. A name
// longer than PATH_MAX cannot open, so the rest of a longer line is
// skipped, not held. The buffer is on the heap, not the stack, and its
// second half is the skip's.
static std::string readName(int fd)
{
	bool tty = isatty(fd);
	std::string name;

	name.resize_and_overwrite(2 * PATH_MAX, [fd, tty](char *buf, std::size_t) {
		ssize_t n = readLine(fd, tty, buf, PATH_MAX);
		if (n < 0)
			return std::size_t{0};
		auto len = std::size_t(n);
		bool ended = len > 0 && buf[len - 1] == '\n';
		if (ended)
			len--;
		else if (len == PATH_MAX && !skipLine(fd, tty, buf + PATH_MAX, PATH_MAX))
			return std::size_t{0};	// defensive: a name this long never opens
		return tty && cutByTerminal(fd, len, ended) ? 0 : len;
	});
	return name;
}

// Out of memory ends the run as a failed read of the file does: the
// message, the empty text's LF when the prompt went out, status 0. A
// bad_alloc thrown instead would reach no handler and abort the run, with
// no message and a status that is not 0; and the plain writes here need no
// memory however little is left.
template <bool shown>
[[noreturn]] static void outOfMemory()
{
	writeAll(STDERR_FILENO, READERR);
	if (shown)
		writeAll(STDOUT_FILENO, "\n");
	_exit(0);
}

// A pipe wakes its reader once per pipeful: give a text larger than the
// pipe a larger pipe. Only a hint, so its failure does not matter.
static void growPipe(int fd, std::size_t len)
{
	int size = fcntl(fd, F_GETPIPE_SZ);
	if (size > 0 && len > std::size_t(size))
		fcntl(fd, F_SETPIPE_SZ, int(std::min(len, PIPEMAX)));
}

int main()
{
	// A reader that went away, or a file-size limit, fails the write
	// instead of ending the run by a signal.
	std::signal(SIGPIPE, SIG_IGN);
	std::signal(SIGXFSZ, SIG_IGN);

	bool shown = writeAll(STDOUT_FILENO, "enter a filename:\n");
	std::set_new_handler(shown ? outOfMemory<true> : outOfMemory<false>);
	std::string text = getContents(readName(STDIN_FILENO));
	if (shown) {
		growPipe(STDOUT_FILENO, text.size() + 1);
		if (writeAll(STDOUT_FILENO, text))
			writeAll(STDOUT_FILENO, "\n");
	}
	return 0;
}
