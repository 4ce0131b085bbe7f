#!/usr/bin/env bash
# Drives the program as a user or a script would: bytes in on standard input,
# exact bytes compared on standard output and standard error, and status 0.
# Also lints the manual, and builds the Debian package and runs the program
# unpacked from it.
# usage: cli.sh EXE GROUP [VAR=VALUE...], the VARs being the build's settings
set -u
exe=$(realpath "$1") group=$2
shift 2
export "$@"
# Tools whose output is read here, readelf under hardening-check among
# them, print it in the C locale's words.
export LC_ALL=C
tmp=$(realpath "$(mktemp -d)") || exit 1
trap 'rm -rf "$tmp"' EXIT
cd "$tmp" || exit 1
# A build for another machine runs under its emulator.
if [ -n "${EMULATOR:-}" ]; then
	export REAL_EXE=$exe
	exe=$tmp/emulated
	printf '#!/bin/sh\nexec %s "$REAL_EXE" "$@"\n' "$EMULATOR" >"$exe" && chmod +x "$exe" || exit 1
fi
passed=0 failed=0

P='enter a filename:\n'
# The longest path that opens, 4095 bytes; the file is f.
longest=$(printf './%.0s' {1..2047})f
OPEN='could not open file.\n'
READ='error while reading file.\n'

# verify NAME CMD...: CMD must exit 0 writing exactly want.out and want.err.
verify() {
	local name=$1 rc
	shift
	"$@" >out 2>err
	rc=$?
	if [ "$rc" = 0 ] && cmp -s out want.out && cmp -s err want.err; then
		passed=$((passed + 1))
		echo "ok $group/$name"
	else
		failed=$((failed + 1))
		echo "FAIL $group/$name: exit status $rc"
		# Non-printing bytes shown as ^X and M-X, line ends as $.
		diff -u --label want.out --label out <(cat -A want.out) <(cat -A out) | head -20
		diff -u --label want.err --label err <(cat -A want.err) <(cat -A err) | head -20
	fi
}

# check NAME OUT ERR CMD...: the same, with printf formats OUT and ERR.
check() {
	printf "$2" >want.out
	printf "$3" >want.err
	local name=$1
	shift 3
	verify "$name" "$@"
}

feed() { printf "$1" | "$exe"; }

contents() {
	c() { printf "$2" >f; check "$1" "$P$3\n" '' feed 'f\n'; }
	# name		file bytes		text shown
	c empty		''			''
	c no-final-lf	'a\nb'			'a\nb\n'
	c final-lf	'a\nb\n'		'a\nb\n'
	c one-lf	'\n'			'\n'
	c two-lf	'\n\n'			'\n\n'
	c blank-lines	'a\n\n\nb'		'a\n\n\nb\n'
	c crlf		'a\r\nb\r\n'		'a\r\nb\r\n'
	c lone-cr	'a\rb'			'a\rb\n'
	c nul		'a\0b\n\0'		'a\0b\n\0\n'
	c high-bytes	'\x80\xff\t'		'\x80\xff\t\n'
}

names() {
	printf 'f\n' >f
	printf 'spaces\n' >' f '
	printf 'cr\n' >$'f\r'
	mkdir d
	n() { check "$1" "$P$3\n" "${4-}" feed "$2"; }
	# name		standard input	text shown	message
	n plain		'f\n'		'f\n'
	n no-lf		'f'		'f\n'
	n spaces-kept	' f \n'		'spaces\n'
	n cr-kept	'f\r\n'		'cr\n'
	n nul-refused	'f\0d\n'	''		"$OPEN"
	n empty-name	'\n'		''		"$OPEN"
	n empty-input	''		''		"$OPEN"
	n missing	'nope\n'	''		"$OPEN"
	n not-a-dir	'f/x\n'		''		"$OPEN"
	n directory	'd\n'		''		"$READ"
	n too-long	"$(printf '%05000d' 0)\n" ''	"$OPEN"
	# A name that arrives in two reads is still read whole.
	printf 'split\n' >split
	split() { { printf 'sp'; sleep 0.3; printf 'lit\n'; } | "$exe"; }
	check split-name "${P}split\n\n" '' split
	# Only the first line is the name, and the rest of standard input is
	# left for the next reader, however long the line.
	r() { printf "$2" >in; check "$1" "$P$3" "${4-}" rest; }
	rest() { { "$exe" && cat; } <in; }
	# name		standard input			shown, then the rest	message
	r first-line	'f\nd\n'			'f\n\nd\n'
	r longest	"$longest\nREST\n"		'f\n\nREST\n'
	r 4096-bytes	"$longest.\nREST\n"		'\nREST\n'		"$OPEN"
	r nul-long-line	"f\\0$(printf '%012000d' 0)\nREST\n" '\nREST\n'	"$OPEN"
	check closed-stdin "$P\n" "$OPEN" "$exe" <&-
	check args-ignored "$P\n" "$OPEN" "$exe" f </dev/null
}

# A canonical terminal keeps 4095 bytes of a line and drops the rest
# unseen, and its mode may change after: a name that long may have been
# cut, and is not opened at any terminal. Ctrl-D ends a name there. The
# rest of a longer line is read, never left for the shell to run, and what
# is typed after the line is not taken where reads are raw (non-canonical
# mode, EXTPROC). A pause in typing ends nothing, even when the terminal
# turns canonical during it, and a non-blocking terminal is waited for.
terminal() {
	needs python3
	printf 'f\n' >f
	printf 'split\n' >split
	printf 'sec\n' >sec
	printf 'public\n' >secret_public
	t() { check "$1" "$P$4" "${5-}" typed "$2" "$3"; }
	typed() { printf '%b' "$2" | python3 "$SOURCE_DIR/tests/tty.py" "$1" "$exe"; }
	local long=$(printf 'z%.0s' {1..4100}) fits=${longest:2:-1}/f
	# name		terminal	typed		shown, then what is left	message
	t tty-short	canonical	'f\n'		'f\n\n'
	t tty-eof	canonical	'f\x04\x04'	'f\n\n'
	t tty-fits	canonical	"$fits\n"	'f\n\n'
	t tty-cut	canonical	"${longest}X\n"	'\n'		"$OPEN"
	t cut-then-raw	canonical-thenraw "$longest${long:0:33}\nREST\n" '\nREST\n' "$OPEN"
	t tty-raw-longest raw		"$longest\n"	'\n'		"$OPEN"
	t tty-paste	raw		"/tmp/$long; echo PWNED\n" '\n'	"$OPEN"
	t typeahead-min1 raw		'f\necho TYPEAHEAD\n' 'f\n\necho TYPEAHEAD\n'
	t typeahead-min0 raw-min0-time0	'f\necho TYPEAHEAD\n' 'f\n\necho TYPEAHEAD\n'
	t extproc	canonical-extproc 'sec<pause>ret_public\nTYPEAHEAD\n' 'public\n\nTYPEAHEAD\n'
	t extproc-typeahead canonical-extproc 'secret_public\nTYPEAHEAD\n' 'public\n\nTYPEAHEAD\n'
	t tty-pause	raw-min0-time5	'sp<pause>lit\n'	'split\n\n'
	t tty-no-wait	raw-min0-time0	'sp<pause>lit\n'	'split\n\n'
	t tty-pause-paste raw-min0-time0 "$long<pause>zz; echo PWNED\n" '\n' "$OPEN"
	t turns-canonical raw-min0-time5 'sec<icanon>ret_public\n' 'public\n\n'
	t turns-canonical-long raw-min0-time5 "$long<icanon>zz; echo PWNED\n" '\n' "$OPEN"
	t tty-nonblocking canonical-nonblock 'sp\x04<pause>lit\n' 'split\n\n'
	t tty-nonblocking-raw raw-nonblock 'sp<pause>lit\n'	'split\n\n'
}

streams() {
	printf 'f\n' >f
	mkfifo p q
	merged() { feed "$1" 2>&1; }
	fifo() { printf 'x\ny' >p & feed 'p\n'; }
	closed() { feed 'f\n' >&-; }
	full() { feed 'f\n' >/dev/full; }
	# A pipe whose reader has gone: open q both ways, add a writer, drop the reader.
	broken() { exec 3<>q 4>q 3<&-; feed 'f\n' >&4; local rc=$?; exec 4>&-; return $rc; }
	check merged-open "${P}${OPEN}\n" '' merged 'nope\n'
	check merged-read "${P}${READ}\n" '' merged '.\n'
	check proc "${P}Linux\n\n" '' feed '/proc/sys/kernel/ostype\n'
	check fifo "${P}x\ny\n\n" '' fifo
	check stdout-closed '' '' closed
	check stdout-full '' '' full
	check stdout-broken '' '' broken

	# A file-size limit, and streams left non-blocking by someone else.
	yes 'a line of text' | head -n 250000 >big
	{ printf "$P"; cat big; echo; } >want.out
	: >want.err
	limited() { (ulimit -f 4; feed 'big\n'); }
	slow_out() { printf 'big\n' | nonblock STDOUT 0.5 | { sleep 0.5; cat; }; return "${PIPESTATUS[1]}"; }
	late_in() { { sleep 0.5; printf 'big\n'; } | nonblock STDIN 0.5; }
	verify stdout-nonblocking slow_out
	verify stdin-nonblocking late_in
	head -c 4096 want.out >limit.out && mv limit.out want.out
	verify file-size-limit limited
	# Standard error full and non-blocking: the message waits for room.
	full_err() {
		printf 'nope\n' | nonblock STDERR 0.5 '1 while syswrite STDERR, "x" x 4096' 2>&1 >&3 |
			{ sleep 0.5; tr -d x >&2; }
		return "${PIPESTATUS[1]}"
	} 3>&1
	check stderr-nonblocking "$P\n" "$OPEN" full_err
}
# Perl that runs @ARGV, reaps it and exits with its status, or dies when
# it used more CPU time than $limit seconds, as a run that retries at once
# instead of waiting does.
reap='defined(my $pid = fork) or die "fork: $!\n";
	$pid or exec { $ARGV[0] } @ARGV or die "exec: $!\n";
	waitpid $pid, 0;
	my ($status, $cpu) = ($?, (times)[2] + (times)[3]);
	$cpu <= $limit or die sprintf "the program used %.2f s of CPU time, more than %.2f s\n", $cpu, $limit;
	exit($status & 127 ? 128 + ($status & 127) : $status >> 8);'
# nonblock STREAM WAIT [PERL]: runs the program with STREAM (STDIN, STDOUT
# or STDERR) in O_NONBLOCK mode, after the Perl code PERL. A run kept
# waiting WAIT seconds may use a tenth of that in CPU time.
nonblock() {
	perl -MFcntl -e "fcntl($1, F_SETFL, O_NONBLOCK) or die; ${3-}; my \$limit = shift() / 10; $reap" "$2" "$exe"
}

# Faults injected into the reads of the file or of standard input, or the
# writes to standard output, alone; the loader's reads go untouched.
faults() {
	needs strace
	export ASAN_OPTIONS=detect_leaks=0
	printf 'a\nb\nc\n' >f
	printf 'f\n' >in
	# A failure retried forever fails the row: a run must end within 10 s
	# and 1 s of CPU time.
	inject() {
		timeout 10 perl -e "my \$limit = 1; $reap" \
			strace -qqq -o /dev/null -P "$tmp/$1" -e trace=$2 -e inject=$2:"$3" "$exe" <in
	}
	check eio-first "$P\n" "$READ" inject f read error=EIO:when=1
	check eio-after-lines "$P\n" "$READ" inject f read error=EIO:when=2
	check eintr-retried "${P}a\nb\nc\n\n" '' inject f read error=EINTR:when=1
	# After a failed write standard output gets nothing more, though the
	# next write would succeed: no text without its prompt, no LF alone.
	check eio-prompt '' '' inject out write error=EIO:when=1
	check eio-text "$P" '' inject out write error=EIO:when=2
	# A name cut short by a failed read is no name: not "f".
	printf f >in
	check eio-cuts-name "$P\n" "$OPEN" inject in read error=EIO:when=2
	# A read that fails in the skip of a line too long: no name of that
	# length opens, nor one with a NUL, so this checks only that the run
	# ends with the message and status 0.
	printf "f\\0%05000d\nREST\n" 0 >in
	check eio-in-name "$P\n" "$OPEN" inject in read error=EIO:when=2
	# A regular file is always ready: EAGAIN from one, as from a FUSE file
	# system, is a failed read, not a wait.
	printf 'f\n' >in
	check eagain-file "$P\n" "$READ" inject f read error=EAGAIN
	check eagain-stdin "$P\n" "$OPEN" inject in read error=EAGAIN
}

# A terminal that hangs up ends every read as if the input ended: a name it
# cut, or one without its LF, is no name. Its reader is held in a system
# call while it goes.
hangups() {
	needs strace
	needs python3
	export ASAN_OPTIONS=detect_leaks=0
	printf 'f\n' >f
	hangup() {
		printf "$1" | python3 "$SOURCE_DIR/tests/tty.py" "$2-hangup" sh -c \
			'exec strace -qqq -o /dev/null -P "$TTY_PATH" -e trace="$1" -e inject="$1:$2" "$0"' "$exe" "$3" "$4"
	}
	check hangup-cut "$P\n" "$OPEN" hangup "${longest}X\n" canonical ioctl delay_enter=500000
	check hangup-partial "$P\n" "$OPEN" hangup f raw read delay_exit=500000:when=1
}

# Contents around the first capacity of an unsized read, and files whose
# size changed by a byte or two after it was taken, each ending with and
# without LF; sed is the oracle.
sizes() {
	local block=$((128 * 1024)) size last how
	mkfifo p
	yes 'thirty-nine bytes of text and a LF....' | head -c $((block + 1)) >src
	file() { feed 'f\n'; }
	fifo() { cat f >p & feed 'p\n'; }
	# Under qemu-user the library is preloaded into the program alone.
	# LD_PRELOAD splits paths at spaces and QEMU_SET_ENV at commas: the
	# library is preloaded by a name that has neither.
	ln -s "$LYING_FSTAT" lying_fstat.so || exit 1
	lie() {
		local -x ASAN_OPTIONS=verify_asan_link_order=0 FSTAT_SIZE_DELTA=$1 \
			"${EMULATOR:+QEMU_SET_ENV=}LD_PRELOAD=./lying_fstat.so"
		feed 'f\n'
	}
	# The lie takes effect: a 2-byte file that claims the largest size a
	# file can have, more than a text holds, is not read.
	printf 'a\n' >f
	check lie-taken "$P\n" "$READ" lie 9223372036854775805
	for size in 1 $((block - 1)) $block $((block + 1)); do
		for last in x '\n'; do
			{ head -c $((size - 1)) src; printf "$last"; } >f
			{ printf "$P"; sed '$a\' f; echo; } >want.out
			: >want.err
			for how in file fifo 'lie -2' 'lie -1' 'lie 1'; do
				verify "${how// /}-$size-$last" $how
			done
		done
	done
}

# Memory runs out at the most a string can hold, and under an address-space
# limit. Sanitizer runtimes cannot start so.
memory() {
	[ "${SANITIZED:-0}" = 1 ] && { echo "skipped under sanitizers"; exit 77; }
	# The largest file a 64-bit system holds, sparse on a tmpfs: more than
	# any text can hold, so it fails at once.
	if shm=$(mktemp -d /dev/shm/gfc.XXXXXX) && trap 'rm -rf "$tmp" "$shm"' EXIT &&
		truncate -s 9223372036854775806 "$shm/f"; then
		check sparse-8eib "$P\n" "$READ" feed "$shm/f\n"
	else
		echo "sparse-8eib not run: no tmpfs at /dev/shm"
	fi
	# Unlimited, the text stops growing near 1 GiB on 32-bit, where no string
	# could hold the double; on 64-bit this would take all memory.
	[ "$POINTER_SIZE" = 4 ] && check dev-zero-32bit "$P\n" "$READ" feed '/dev/zero\n'
	# An emulator's address space is not the program's.
	[ -n "$EMULATOR" ] && { echo "limits not tried under an emulator"; return; }
	limited() { (ulimit -v 65536; feed "$1") 3< <(yes); }
	check dev-zero "$P\n" "$READ" limited '/dev/zero\n'
	check endless-lines "$P\n" "$READ" limited '/dev/fd/3\n'
	check endless-name "$P\n" "$OPEN" limited_name
	# Every limit from the least at which the program starts on, with a
	# short name and one that needs the heap: no abort, whatever fails.
	check starved-short '' '' starved '/dev/null\n'
	check starved-long '' '' starved '/dev/./././././././null\n'
	# The same with the heap grown in large steps, as malloc tunables do.
	MALLOC_TOP_PAD_=1048576 check starved-padded '' '' starved '/dev/./././././././null\n'
	# A file held in little more than its size is shown whole: its buffer
	# has room for the read that finds the end.
	truncate -s 200M big
	{ printf "$P"; cat big; printf '\n\n'; } | cksum >want.out
	: >want.err
	snug() { (ulimit -v $((200 * 1024 + 16384)); feed 'big\n') | cksum; return "${PIPESTATUS[0]}"; }
	verify snug snug
}
limited_name() { (ulimit -v 65536; exec "$exe") </dev/zero; }
# starved INPUT: from the least limit at which the prompt gets out to 768
# KiB past it, in 16 KiB steps, each run shows the prompt, an empty text and
# at most the read error, with status 0.
starved() {
	local v=1024 rc end=0
	while (ulimit -v "$v"; exec "$exe" </dev/null 2>/dev/null) | cmp -s /dev/null -; do
		v=$((v + 64))	# the prompt does not get out yet
		[ "$v" -lt 65536 ] || { echo "no prompt under 64 MiB"; return 1; }
	done
	for ((v -= 64, end = v + 768; v < end; v += 16)); do
		(ulimit -v "$v"; feed "$1") >s.out 2>s.err
		rc=$?
		[ -s s.out ] || continue
		if [ "$rc" != 0 ] || ! printf "$P\n" | cmp -s - s.out ||
			{ [ -s s.err ] && ! printf "$READ" | cmp -s - s.err; }; then
			echo "ulimit -v $v: status $rc"
			cat s.out s.err
			return 1
		fi
	done
}

# needs COMMAND: a tool the group cannot run without. The group is skipped
# without it, unless the build was configured with GFC_REQUIRE_TEST_TOOLS,
# as .ci/run does, or GFC_REQUIRE_TEST_TOOLS=1 is in the environment.
needs() {
	command -v "$1" >/dev/null && return
	if [ "$REQUIRE_TEST_TOOLS" = 1 ] || [ "${GFC_REQUIRE_TEST_TOOLS:-}" = 1 ]; then
		echo "failed: $1 is missing, and test tools are required"
		exit 1
	fi
	echo "skipped: $1 is missing"
	exit 77
}

manual() {
	needs mandoc
	needs groff
	: >want.out
	: >want.err
	verify mandoc mandoc -Tlint -W warning "$MANPAGE"
	verify groff groff -ww -mandoc -z "$MANPAGE"
}

# The package as users get it: its files, lintian, a run of its binary; the
# same bytes again from the source tarball and under other umasks; the
# packager's flags; and the user's install manifest left alone. And the
# build's other promises: the shared runtime where the static one cannot
# link, the packager's doc folder, test tools that must be there.
package() {
	needs dpkg-deb
	needs dpkg-buildflags
	needs lintian
	needs hardening-check
	needs git
	[ "${SANITIZED:-0}" = 1 ] && { echo "skipped: a sanitized build is no release"; exit 77; }
	[ -n "$EMULATOR" ] && { echo "skipped: a build for another machine is not packaged here"; exit 77; }
	# cpack cuts its lists of paths at a "[" or "]", as CMake does, and fails.
	case $SOURCE_DIR$BINARY_DIR in
	*[][]*) echo 'skipped: cpack cannot package where a path holds a "[" or "]"'; exit 77 ;;
	esac
	# The release's date, as Debian reads it, is the date when none is set.
	unset SOURCE_DATE_EPOCH
	local manifest=$BINARY_DIR/install_manifest.txt before
	local epoch=$(dpkg-parsechangelog -l "$SOURCE_DIR/pkg/changelog" -STimestamp)
	before=$(cat "$manifest" 2>/dev/null || echo none)
	(umask 002; SOURCE_DATE_EPOCH=$epoch cpack -G DEB --config "$CPACK_CONFIG" -B deb) >cpack.log 2>&1 ||
		{ cat cpack.log; exit 1; }
	local deb=(deb/*.deb) doc=./usr/share/doc/grabbing-file-contents
	listed() { dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }'; }
	lint() {
		lintian --fail-on error,warning "$deb" 2>lint.err
		local rc=$?
		grep -v 'root privileges' lint.err >&2
		return $rc
	}
	# build SOURCE DIR [VAR=VALUE | -DVAR=VALUE...]: configures and builds
	# the program from SOURCE in DIR as this build was, in the environment
	# given, with the cache entries given.
	build() {
		local src=$1 dir=$2 vars=() defs=() arg
		shift 2
		for arg; do
			case $arg in -D*) defs+=("$arg") ;; *) vars+=("$arg") ;; esac
		done
		env "${vars[@]}" cmake -S "$src" -B "$dir" -DBUILD_TESTING=OFF \
			-DCMAKE_BUILD_TYPE="$BUILD_TYPE" -DCMAKE_CXX_COMPILER="$CXX" \
			-DGFC_STATIC_RUNTIME="$STATIC_RUNTIME" -DGFC_HARDEN="$HARDEN" "${defs[@]}" >"$dir.log" 2>&1 &&
			cmake --build "$dir" >>"$dir.log" 2>&1 || { cat "$dir.log"; return 1; }
	}
	# said LOG TEXT: LOG holds TEXT, which CMake may have wrapped at any
	# space.
	said() { tr -s '\n ' '  ' <"$1" | grep -qF "$2"; }
	# debs SOURCE DIR [VAR=VALUE...]: builds from SOURCE under umask 077, in
	# the environment given, and packages in DIR.
	debs() { (umask 077; build "$@" && cpack -G DEB --config "$2/CPackConfig.cmake" -B "$2/deb") >>again.log 2>&1; }
	# unchecked CMD...: CMD fails, as making the source tarball does where
	# there is no git checkout, and says so.
	unchecked() { ! "$@" >dist.log 2>&1 && said dist.log 'is not a git checkout'; }
	# The source tarball of the commit, made in two clones at awkward paths
	# with stray files about, has the same bytes, and only tracked files
	# under one folder. Built unpacked, it gives the clone's .deb, also with
	# g++'s link-time optimisation, as Ubuntu's and Fedora's flags ask; and
	# the .deb of this build is the same under another umask. Without git
	# (this is an unpacked tarball), making one says why.
	again() {
		local a="$tmp/a b^c+(" b="$tmp/[d\$" tarball name lto=() v
		# CMake after 3.25 (3.31 as tried) leaves a "$" in a path unescaped
		# in one rule of a Ninja build, which then does not parse.
		v=$(cmake --version | awk 'NR == 1 { print $3 }')
		[[ $CMAKE_GENERATOR == Ninja* ]] && [ "$(printf '%s\n' 3.26 "$v" | sort -V | head -n 1)" = 3.26 ] &&
			b="$tmp/[d"
		[ "$CXX_ID" = GNU ] && lto=(CXXFLAGS="-g -flto=auto -ffat-lto-objects")
		(umask 022; cpack -G DEB --config "$CPACK_CONFIG" -B deb022) >again.log 2>&1 &&
			cmp deb022/*.deb "$deb" || { cat again.log; return 1; }
		if [ ! -e "$SOURCE_DIR/.git" ]; then
			unchecked cmake --build "$BINARY_DIR" --target dist
			return
		fi
		git clone -q "$SOURCE_DIR" "$a" && git clone -q "$SOURCE_DIR" "$b" || return 1
		touch "$a/notes.txt" "$b/bench/offset"
		for clone in "$a" "$b"; do
			(umask 077; cmake -S "$clone" -B "$clone/build" -DBUILD_TESTING=OFF &&
				cmake --build "$clone/build" --target dist) >>again.log 2>&1 || { cat again.log; return 1; }
		done
		tarball=$(cd "$a" && echo build/*.tar.gz) name=${tarball#build/}
		name=${name%.tar.gz}
		cmp "$a/$tarball" "$b/$tarball" || return 1
		diff <(git -C "$a" ls-files | sed "s|^|$name/|") <(tar tzf "$a/$tarball" | grep -v '/$') || return 1
		tar xzf "$a/$tarball" && debs "$name" unpacked "${lto[@]}" && debs "$a" clone "${lto[@]}" ||
			{ cat again.log; return 1; }
		cmp unpacked/deb/*.deb clone/deb/*.deb
	}
	# hardening-check but for what no build here passes (see README):
	# fortification finds no call with a bound it knows; Debian's own
	# Scrt1.o and crti.o, in 12 and 13, lack the IBT and SHSTK marks, so no
	# program built there, C or C++, gets CET; and Debian 13's asks x86 too
	# for arm64's branch protection mark, a check Debian 12's has no option
	# for.
	local harden=(hardening-check --quiet --nofortify --nocfprotection)
	hardening-check --help | grep -q -- --nobranchprotection && harden+=(--nobranchprotection)
	# Debian's flags, with a macro set other than ours, warnings as errors.
	flags() {
		build "$SOURCE_DIR" flags CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) -D_FORTIFY_SOURCE=3 -Werror" \
			LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" &&
			"${harden[@]}" flags/grabbing_file_contents
	}
	# The other C++ runtime, shared or linked in, packages too.
	other() {
		STATIC_RUNTIME=$((1 - STATIC_RUNTIME)) debs "$SOURCE_DIR" other || { cat again.log; return 1; }
		[ -n "$(find other/deb -name '*.deb')" ]
	}
	# refused DIR REASON VAR=VALUE...: cpack, so run, makes no .deb and
	# says why.
	refused() {
		local dir=$1 reason=$2
		shift 2
		env "$@" cpack -G DEB --config "$CPACK_CONFIG" -B "$dir" >"$dir.log" 2>&1 && return 1
		[ -z "$(find "$dir" -name '*.deb' 2>/dev/null)" ] && said "$dir.log" "$reason" || cat "$dir.log"
	}
	# The same refusal from folders ever longer, until CMake wraps the
	# message within the words that say it.
	wrapped() {
		local dir=$tmp/w
		while [ ${#dir} -lt 200 ]; do
			dir+=w
			mkdir "$dir" && unchecked cmake -DSOURCE_DIR="$dir" -DNAME=x -DOUTPUT="$tmp/x.tar.gz" \
				-P "$SOURCE_DIR/pkg/dist.cmake" || { cat dist.log; return 1; }
			grep -q 'is not a git checkout' dist.log || return 0
		done
		echo "no folder's path had the message wrapped"
	}
	# A compiler that cannot link the static runtime: the build says so
	# and links the shared one. Its documents go where CMAKE_INSTALL_DOCDIR
	# says.
	printf '#!/bin/sh\nfor a; do [ "$a" = -static-libstdc++ ] && exit 1; done\nexec %q "$@"\n' "$CXX" >nostatic &&
		chmod +x nostatic || exit 1
	fallback() {
		CXX=$tmp/nostatic STATIC_RUNTIME=1 build "$SOURCE_DIR" fallback -DCMAKE_INSTALL_DOCDIR=share/doc/gfc &&
			said fallback.log 'The C++ runtime cannot be linked statically here' &&
			readelf -d fallback/grabbing_file_contents | grep -q 'NEEDED.*\[libstdc++\.so\.6\]' &&
			local exe=$tmp/fallback/grabbing_file_contents && feed 'f\n'
	}
	installed() {
		cmake --install fallback --prefix "$tmp/inst" >install.log 2>&1 || { cat install.log; return 1; }
		(cd inst && find . -type f | sort)
	}
	# With GFC_REQUIRE_TEST_TOOLS on, a group whose tool is missing fails:
	# the manual's, where PATH holds every command but mandoc.
	required() {
		local hidden=$tmp/nomandoc dir IFS=:
		mkdir "$hidden" || return 1
		for dir in $PATH; do ln -s "$dir"/* "$hidden" 2>/dev/null; done
		rm "$hidden/mandoc" &&
			cmake -S "$SOURCE_DIR" -B required -DGFC_REQUIRE_TEST_TOOLS=ON -DGFC_STATIC_RUNTIME=OFF \
				-DGFC_HARDEN=OFF >required.log 2>&1 &&
			! env -u GFC_REQUIRE_TEST_TOOLS PATH="$hidden" ctest --test-dir required -R '^manual$' \
				--output-on-failure >>required.log 2>&1 &&
			grep -q '^failed: mandoc is missing' required.log || { cat required.log; return 1; }
	}
	# A dpkg-shlibdeps that runs but finds nothing.
	mkdir fake && printf '#!/bin/sh\n' >fake/dpkg-shlibdeps && chmod +x fake/dpkg-shlibdeps
	kept() { [ "$(cat "$manifest" 2>/dev/null || echo none)" = "$before" ]; }
	check listed "./usr/bin/grabbing_file_contents\n$doc/changelog.gz\n$doc/copyright\n./usr/share/man/man1/grabbing_file_contents.1.gz\n" '' listed
	check lintian '' '' lint
	check reproducible '' '' again
	check wrapped-refusal '' '' wrapped
	check packager-flags '' '' flags
	check other-runtime '' '' other
	printf 'f\n' >f
	check static-fallback "${P}f\n\n" '' fallback
	check docdir "./bin/grabbing_file_contents\n./share/doc/gfc/changelog.gz\n./share/doc/gfc/copyright\n./share/man/man1/grabbing_file_contents.1.gz\n" '' installed
	check tools-required '' '' required
	check needs-depends '' '' refused nodeb 'declares no dependencies' PATH="$tmp/fake:$PATH"
	check bad-epoch '' '' refused noepoch 'not a count of seconds' SOURCE_DATE_EPOCH=abc
	check late-epoch '' '' refused lateepoch 'at most 8589934591' SOURCE_DATE_EPOCH=8589934592
	check manifest-kept '' '' kept
	dpkg-deb -x "$deb" root
	exe=$tmp/root/usr/bin/grabbing_file_contents
	check hardened '' '' "${harden[@]}" "$exe"
	printf 'unpacked\n' >f
	check unpacked "${P}unpacked\n\n" '' feed 'f\n'
}

"$group"
echo "$group: $passed passed, $failed failed"
[ "$failed" = 0 ]
