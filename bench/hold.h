/*
 * The buffer the best C program holds a file in: on a 64-byte line, where
 * read(2) copies fastest, with its whole pages faulted in by one call
 * instead of one fault a page. -DPLAIN gives plain malloc instead.
 */
static char *
hold(size_t len)
{
#ifdef PLAIN
	return malloc(len);
#else
	void *p;
	long page = sysconf(_SC_PAGESIZE);
	size_t skip;

	if (posix_memalign(&p, 64, len) != 0)
		return NULL;
	skip = (size_t)(page - (long)((size_t)p % (size_t)page)) % (size_t)page;
	if (len >= skip + (size_t)page)
		madvise((char *)p + skip, (len - skip) / (size_t)page * (size_t)page,
		    MADV_POPULATE_WRITE);
	return p;
#endif
}
