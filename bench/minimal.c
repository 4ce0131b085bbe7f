/*
 * The same job done as plainly as C allows, for comparison: write the
 * prompt, read the name, hold the file in the buffer of hold.h, write it
 * and one more LF. No care for short writes, EINTR or a missing final LF.
 * usage: minimal <NAMEFILE
 */
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "hold.h"

int
main(void)
{
	char name[4096], *buf, *lf;
	struct stat st;
	ssize_t n;
	size_t have = 0;
	int fd;

	write(1, "enter a filename:\n", 18);
	if ((n = read(0, name, sizeof name - 1)) <= 0)
		return 1;
	name[n] = '\0';
	if ((lf = strchr(name, '\n')) != NULL)
		*lf = '\0';
	if ((fd = open(name, O_RDONLY)) == -1 || fstat(fd, &st) == -1 ||
	    (buf = hold((size_t)st.st_size + 1)) == NULL)
		return 1;
	while ((n = read(fd, buf + have, (size_t)st.st_size + 1 - have)) > 0)
		have += (size_t)n;
	write(1, buf, have);
	write(1, "\n", 1);
	free(buf);
	return 0;
}
