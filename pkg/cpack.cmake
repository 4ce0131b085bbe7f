# Read by cpack before it makes each package.
# A source package would hold whatever lies in the working folder, build
# trees and stray files included: the source tarball is made from the
# commit instead.
if(CPACK_INSTALLED_DIRECTORIES)
  message(FATAL_ERROR "cpack makes no source package: make the source "
    "tarball from the commit with: cmake --build build --target dist")
endif()
# The packages take the release's date when no SOURCE_DATE_EPOCH is given,
# so that the same sources give the same bytes, from a clone or a tarball.
# An empty one counts as unset; one that is no count of seconds stops the
# build rather than be taken for today. So does one past what the .deb's
# tar archives hold, 11 octal digits: they would date the files 2242-03-16,
# or cpack today once the number passes 64 bits. Compared as text, as
# CMake's numbers stop at 64 bits.
set(latest 8589934591)
string(REGEX REPLACE "^0+(.)" "\\1" epoch "$ENV{SOURCE_DATE_EPOCH}")
string(LENGTH "${epoch}" digits)
string(LENGTH ${latest} most)
if("$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(ENV{SOURCE_DATE_EPOCH} ${CPACK_GFC_RELEASE_EPOCH})
elseif(NOT epoch MATCHES "^[0-9]+$" OR digits GREATER most OR
    (digits EQUAL most AND epoch STRGREATER latest))
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is \"$ENV{SOURCE_DATE_EPOCH}\", not a "
    "count of seconds since 1970 that a package can hold (at most ${latest}, "
    "in 2242): set it to one, or unset it for the date of the release in "
    "pkg/changelog")
endif()
