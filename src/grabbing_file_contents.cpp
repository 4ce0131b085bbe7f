/*
 * grabbing_file_contents: ask for a file name, then show the file's text
 * with every line ended by one LF, and one more LF after it.
 */
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>

// First capacity for files that report no size: pipes, /proc, devices.
static constexpr std::size_t BLOCK = std::size_t{128} * 1024;
// read(2) and write(2) move at most about 2 GiB at once; ask for 1 GiB.
static constexpr std::size_t MAXIO = std::size_t{1} << 30;
// The most an unprivileged process may make a pipe hold, by default.
static constexpr std::size_t PIPEMAX = std::size_t{1} << 20;

static constexpr std::string_view READERR = "error while reading file.\n";

// Address space given back when memory runs out, so that bad_alloc can be
// thrown: the runtime's own pool for it is empty, and the heap not even
// made, when the address space was short at start-up. Untouched, it costs
// no memory, and in .bss it is there whenever the program runs at all.
// Its pages are found within it rather than aligned: aligning .bss moved
// the runtime's variables to pages of their own, a fault or two more at
// every start.
static constexpr std::size_t SPARE = std::size_t{256} * 1024;
static char spare[SPARE + 4096];

// malloc puts large blocks 16 bytes past a 64-byte line, and on AMD Zen 3
// read(2) copies a file to such a buffer at a quarter of the speed it copies
// to one on a line (1.3 against 5 GB/s; Zen 5 copies both alike). So blocks
// of a page or more, the text's, start on a line. posix_memalign, as
// aligned_alloc may refuse a size that is not a multiple of 64.
void *operator new(std::size_t n)
{
	void *p;
	if (n < 4096)
		p = std::malloc(n);
	else if (posix_memalign(&p, 64, n) != 0)
		p = nullptr;
	if (p == nullptr) {
		static bool spent;
		if (!std::exchange(spent, true))
			munmap(spare + (-reinterpret_cast<std::uintptr_t>(spare) & 4095), SPARE);
		throw std::bad_alloc();
	}
	return p;
}

void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

// After a failed read or write: true when it is worth trying again, which
// for a non-blocking fd means once it is ready.
static bool again(int fd, short events)
{
	if (errno == EINTR)
		return true;
	if (errno != EAGAIN)
		return false;
	pollfd p{fd, events, 0};
	int r;
	while ((r = poll(&p, 1, -1)) == -1 && errno == EINTR)
		;
	return r == 1;
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

// Reads into the spare capacity of text, doubling it first when full.
// Returns what read(2) returned.
static ssize_t readMore(int fd, std::string &text)
{
	std::size_t room = text.capacity() - text.size();
	if (room == 0)
		room = text.capacity();
	ssize_t n = 0;
	text.resize_and_overwrite(text.size() + room, [&](char *p, std::size_t len) {
		std::size_t have = len - room;
		n = readSome(fd, p + have, room);
		return have + (n > 0 ? std::size_t(n) : 0);
	});
	return n;
}

// Reads fd to its end into text; false when a read fails.
static bool readAll(int fd, std::string &text)
{
	struct stat st;

	// A regular file's size is only a hint: it may change while we read.
	// The extra byte finds end of file and holds a missing final LF.
	if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
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
	int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
	if (fd == -1) {
		writeAll(STDERR_FILENO, "could not open file.\n");
		return {};
	}
	// Closes the file on every way out of this call.
	std::unique_ptr<const int, void (*)(const int *)> file(&fd, closeFile);

	std::string text;
	bool ok;
	try {
		ok = readAll(fd, text);
		if (ok && !text.empty() && text.back() != '\n')
			text += '\n';
	} catch (const std::exception &) {
		ok = false;	// out of memory, or a size past what a string holds
	}
	if (!ok) {
		writeAll(STDERR_FILENO, READERR);
		return {};
	}
	return text;
}

// Reads a regular file on to just past its next LF, holding nothing, for
// whoever reads it next. A pipe or device may never end its line, so it is
// left as it is.
static void skipLine(int fd)
{
	struct stat st;
	char buf[BUFSIZ];
	ssize_t n;

	if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
		return;
	while ((n = readSome(fd, buf, sizeof buf)) > 0) {
		if (const void *lf = std::memchr(buf, '\n', std::size_t(n))) {
			auto past = static_cast<const char *>(lf) - buf + 1;
			lseek(fd, off_t(past) - off_t(n), SEEK_CUR);
			return;
		}
	}
}

// The first line of fd without its LF. A name longer than PATH_MAX cannot
// open, so a longer line need not be held. A regular file is left just past
// the LF for whoever reads it next.
static std::string readName(int fd)
{
	char buf[PATH_MAX];
	std::size_t have = 0;
	const void *lf = nullptr;
	ssize_t n;

	while (!lf && have < sizeof buf &&
	    (n = readSome(fd, buf + have, sizeof buf - have)) > 0) {
		lf = std::memchr(buf + have, '\n', std::size_t(n));
		have += std::size_t(n);
	}
	if (!lf) {
		if (have == sizeof buf)
			skipLine(fd);
		return std::string(buf, have);
	}
	auto len = std::size_t(static_cast<const char *>(lf) - buf);
	if (have > len + 1)
		lseek(fd, off_t(len + 1) - off_t(have), SEEK_CUR);
	return std::string(buf, len);
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

	bool out = writeAll(STDOUT_FILENO, "enter a filename:\n");
	std::string text;
	try {
		text = getContents(readName(STDIN_FILENO));
	} catch (const std::bad_alloc &) {
		writeAll(STDERR_FILENO, READERR);	// no room for the name
	}
	if (out) {
		growPipe(STDOUT_FILENO, text.size() + 1);
		if (writeAll(STDOUT_FILENO, text))
			writeAll(STDOUT_FILENO, "\n");
	}
	return 0;
}
