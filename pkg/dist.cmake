# Makes the source tarball from the commit checked out in SOURCE_DIR, its
# tracked files alone, under one top folder NAME/: cmake -DSOURCE_DIR=...
# -DNAME=... -DOUTPUT=... -P dist.cmake. The entries take the commit's time,
# and git's and gzip's settings that could change the bytes are pinned, so
# the same commit gives the same bytes wherever and whenever it is made.
find_program(GIT git)
file(REAL_PATH "${SOURCE_DIR}" top)
if(GIT)
  execute_process(COMMAND "${GIT}" -C "${top}" rev-parse --show-toplevel
    OUTPUT_VARIABLE toplevel OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
# Not git's own top folder: an unpacked tarball, maybe within some other
# repository, whose commit is not this source's.
if(NOT toplevel STREQUAL top)
  message(FATAL_ERROR "${top} is not a git checkout (or git is missing), so "
    "there is no commit to make the source tarball from: make it from a clone")
endif()
# Neither changes to tracked files nor untracked files (ignored ones aside)
# are in it: say which there are.
execute_process(COMMAND "${GIT}" -C "${top}" status --porcelain
  OUTPUT_VARIABLE status)
set(left "")
if(status MATCHES "(^|\n)[^?\n]")
  list(APPEND left "uncommitted changes")
endif()
if(status MATCHES "(^|\n)[?][?]")
  list(APPEND left "untracked files")
endif()
if(left)
  list(JOIN left " and " left)
  message(WARNING "${top} has ${left}, which the tarball leaves out: it "
    "packs the commit checked out (HEAD)")
endif()
execute_process(
  COMMAND "${GIT}" -C "${top}" -c core.autocrlf=false -c tar.umask=0022
    archive --format=tar "--prefix=${NAME}/" HEAD
  COMMAND gzip -9n
  OUTPUT_FILE "${OUTPUT}.tmp"
  RESULTS_VARIABLE failed)
if(NOT failed MATCHES "^0;0$")
  file(REMOVE "${OUTPUT}.tmp")
  message(FATAL_ERROR "could not make ${OUTPUT}: git archive and gzip said ${failed}")
endif()
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
