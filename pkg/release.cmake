# The release's date, from the newest entry of pkg/changelog as Debian
# reads it (dpkg-parsechangelog -STimestamp): RELEASE_DATE (YYYY-MM-DD) for
# the manual, and RELEASE_EPOCH, the packages' SOURCE_DATE_EPOCH when none
# is given, so that a package built from the sources alone, with no git to
# ask, has the same bytes.
file(READ "${CMAKE_CURRENT_LIST_DIR}/changelog" entries)
set(d "([0-9]+)")
if(NOT entries MATCHES
    "\n -- [^\n]*>  [A-Z][a-z][a-z], ${d} ([A-Z][a-z][a-z]) ${d} ${d}:${d}:${d} ([-+])([0-9][0-9])([0-9][0-9])")
  message(FATAL_ERROR "pkg/changelog: the newest entry has no dated trailer line")
endif()
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND months ${CMAKE_MATCH_2} month)
if(month EQUAL -1)
  message(FATAL_ERROR "pkg/changelog: no month called ${CMAKE_MATCH_2}")
endif()
math(EXPR month "${month} + 1")
set(day ${CMAKE_MATCH_1})
set(year ${CMAKE_MATCH_3})
math(EXPR clock "${CMAKE_MATCH_4} * 3600 + ${CMAKE_MATCH_5} * 60 + ${CMAKE_MATCH_6}
  - ${CMAKE_MATCH_7}(${CMAKE_MATCH_8} * 3600 + ${CMAKE_MATCH_9} * 60)")

# Days from 1970-01-01, in years taken to start in March so that a leap
# day ends its year; a 400-year era has 146097 days.
set(y ${year})
if(month LESS_EQUAL 2)
  math(EXPR y "${y} - 1")
endif()
math(EXPR era "${y} / 400")
math(EXPR yoe "${y} - ${era} * 400")
math(EXPR doy "(153 * ((${month} + 9) % 12) + 2) / 5 + ${day} - 1")
math(EXPR doe "${yoe} * 365 + ${yoe} / 4 - ${yoe} / 100 + ${doy}")
math(EXPR RELEASE_EPOCH "(${era} * 146097 + ${doe} - 719468) * 86400 + ${clock}")

# The date as the entry gives it, two digits for month and day.
math(EXPR mm "100 + ${month}")
math(EXPR dd "100 + ${day}")
string(SUBSTRING ${mm} 1 2 mm)
string(SUBSTRING ${dd} 1 2 dd)
set(RELEASE_DATE ${year}-${mm}-${dd})
