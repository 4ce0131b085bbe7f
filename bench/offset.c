/*
 * How fast read(2) copies a file from the page cache into a buffer that
 * starts OFFSET bytes past a 64-byte line: the best of five reads of the
 * whole file into a faulted-in buffer, in milliseconds.
 * usage: offset FILE OFFSET...
 */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

static double
ms(void)
{
	struct timespec t;

	clock_gettime(CLOCK_MONOTONIC, &t);
	return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

int
main(int argc, char *argv[])
{
	struct stat st;
	char *buf;
	double best, t;
	size_t have, size;
	ssize_t n;
	int fd, i, r;

	if (argc < 3 || (fd = open(argv[1], O_RDONLY)) == -1 ||
	    fstat(fd, &st) == -1)
		return 1;
	size = (size_t)st.st_size;
	buf = mmap(NULL, size + 64, PROT_READ | PROT_WRITE,
	    MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
	if (buf == MAP_FAILED)
		return 1;
	for (i = 2; i < argc; i++) {
		best = 1e9;
		for (r = 0; r < 5; r++) {
			t = ms();
			for (have = 0; (n = pread(fd, buf + atoi(argv[i]) + have,
			    size - have, (off_t)have)) > 0;)
				have += (size_t)n;
			if ((t = ms() - t) < best)
				best = t;
		}
		printf("%s\t%.1f\n", argv[i], best);
	}
	return 0;
}
