/*
 * The least a program that holds a whole file can do: take a buffer of the
 * file's size on a 64-byte line, fault it in at once, and read(2) the file
 * into it. Writes nothing. Built with -DPLAIN, it takes the buffer from
 * malloc and lets read(2) fault it in, as a typical program does.
 * usage: floor FILE
 */
#include <fcntl.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hold.h"

int
main(int argc, char *argv[])
{
	struct stat st;
	char *buf;
	size_t have = 0;
	ssize_t n;
	int fd;

	if (argc != 2 || (fd = open(argv[1], O_RDONLY)) == -1 ||
	    fstat(fd, &st) == -1 || (buf = hold((size_t)st.st_size + 1)) == NULL)
		return 1;
	while ((n = read(fd, buf + have, (size_t)st.st_size + 1 - have)) > 0)
		have += (size_t)n;
	free(buf);
	return n == -1;
}
