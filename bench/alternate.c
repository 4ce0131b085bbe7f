/*
 * Times whole runs of commands, taking turns: each round runs every command
 * once, starting with the next one each time, so a drift of the machine,
 * or a cost of running first, falls on all alike. A command's output
 * goes to /dev/null; a first word "<FILE" gives it FILE as standard input.
 * Commands are run directly, not through a shell.
 * Prints, per command: median, fastest and slowest wall time in
 * microseconds, and the median peak resident memory in KiB.
 * usage: alternate ROUNDS CMD [, CMD ...]
 *   e.g. alternate 1000 cat f , '<f.name' ./tool
 */
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>

extern char **environ;

struct cmd {
	char **argv;
	const char *in;
	double *us;
	long *kib;
};

static int
cmp(const void *a, const void *b)
{
	double x = *(const double *)a, y = *(const double *)b;

	return (x > y) - (x < y);
}

static int
cmpl(const void *a, const void *b)
{
	long x = *(const long *)a, y = *(const long *)b;

	return (x > y) - (x < y);
}

static double
now(void)
{
	struct timespec t;

	clock_gettime(CLOCK_MONOTONIC, &t);
	return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

/* Runs c once; stores its time and peak memory; exits on any failure. */
static void
run(struct cmd *c, int i)
{
	posix_spawn_file_actions_t fa;
	struct rusage ru;
	double t;
	pid_t pid;
	int st;

	posix_spawn_file_actions_init(&fa);
	posix_spawn_file_actions_addopen(&fa, 0, c->in ? c->in : "/dev/null",
	    O_RDONLY, 0);
	posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
	posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
	t = now();
	if (posix_spawnp(&pid, c->argv[0], &fa, NULL, c->argv, environ) != 0 ||
	    wait4(pid, &st, 0, &ru) != pid || st != 0) {
		fprintf(stderr, "alternate: %s failed\n", c->argv[0]);
		exit(1);
	}
	c->us[i] = now() - t;
	c->kib[i] = ru.ru_maxrss;
	posix_spawn_file_actions_destroy(&fa);
}

int
main(int argc, char *argv[])
{
	struct cmd c[64];
	int rounds, n = 0, i, r;

	if (argc < 3 || (rounds = atoi(argv[1])) < 1) {
		fprintf(stderr, "usage: alternate ROUNDS CMD [, CMD ...]\n");
		return 2;
	}
	for (i = 2; i < argc && n < 64; n++) {
		c[n].in = argv[i][0] == '<' ? argv[i++] + 1 : NULL;
		c[n].argv = argv + i;
		while (i < argc && strcmp(argv[i], ",") != 0)
			i++;
		argv[i++] = NULL;	/* argv[argc] is NULL already */
		c[n].us = calloc((size_t)rounds, sizeof(double));
		c[n].kib = calloc((size_t)rounds, sizeof(long));
		if (c[n].us == NULL || c[n].kib == NULL)
			return 1;
	}
	/* Each round starts one command later, so no command is always first. */
	for (r = 0; r < rounds; r++)
		for (i = 0; i < n; i++)
			run(&c[(i + r) % n], r);
	for (i = 0; i < n; i++) {
		qsort(c[i].us, (size_t)rounds, sizeof(double), cmp);
		qsort(c[i].kib, (size_t)rounds, sizeof(long), cmpl);
		printf("%.0f\t%.0f\t%.0f\t%ld\n", c[i].us[rounds / 2], c[i].us[0],
		    c[i].us[rounds - 1], c[i].kib[rounds / 2]);
	}
	return 0;
}
