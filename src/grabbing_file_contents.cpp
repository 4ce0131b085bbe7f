/*
 * grabbing_file_contents: ask for a file name, then show the file's text
 * with every line ended by one LF, and one more LF after it.
 */
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <csignal>
#include <exception>
#include <iostream>
#include <memory>
#include <string>

// First capacity for files that report no size: pipes, /proc, devices.
static constexpr std::size_t BLOCK = std::size_t{128} * 1024;
// read(2) moves at most about 2 GiB at once; never ask for more than 1 GiB.
static constexpr std::size_t MAXREAD = std::size_t{1} << 30;

static void closeFile(const int *fd) { close(*fd); }

// Faults in the whole pages of buf at once: cheaper than read(2) faulting
// them in one at a time. Only a hint, so its failure does not matter.
static void prefault(char *buf, std::size_t len)
{
#ifdef MADV_POPULATE_WRITE
	auto page = std::size_t(sysconf(_SC_PAGESIZE));
	std::size_t skip = (page - std::uintptr_t(buf) % page) % page;
	if (len > skip)
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
		do
			n = read(fd, p + have, std::min(room, MAXREAD));
		while (n == -1 && errno == EINTR);
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
		std::cerr << "could not open file." << std::endl;
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
		std::cerr << "error while reading file." << std::endl;
		return {};
	}
	return text;
}

int main()
{
	// A reader that went away must not end the run by a signal.
	std::signal(SIGPIPE, SIG_IGN);

	std::cout << "enter a filename:" << std::endl;
	// A longer name cannot open, so an endless line need not be held.
	std::string name;
	for (char c; name.size() < std::size_t{PATH_MAX} && std::cin.get(c) && c != '\n';)
		name += c;

	std::string text = getContents(name);
	std::cout.write(text.data(), std::streamsize(text.size())) << std::endl;
	return 0;
}
