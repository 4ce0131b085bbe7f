# Run by cpack after it makes each package. A dpkg-shlibdeps that is
# missing, cannot run or says nothing leaves a .deb that declares no
# dependencies and installs where it cannot run: such a .deb is removed,
# with any of its name that cpack made before, and the build fails. So is
# one that does not depend on the C++ runtime that the program links.
foreach(deb IN LISTS CPACK_PACKAGE_FILES)
  if(NOT deb MATCHES "[.]deb$")
    continue()
  endif()
  execute_process(COMMAND dpkg-deb --field "${deb}" Depends
    OUTPUT_VARIABLE depends OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  # The names alone, without versions, compared as text: libstdc++6 is no
  # regular expression. LLVM's libraries are named for its version too:
  # libc++1-19 is a libc++1.
  string(REGEX REPLACE " *\\([^)]*\\)" "" names "${depends}")
  string(REGEX REPLACE " *[,|] *" ";" names "${names}")
  list(TRANSFORM names REPLACE "-[0-9]+$" "")
  get_filename_component(name "${deb}" NAME)
  foreach(need IN LISTS CPACK_GFC_DEPENDS)
    list(FIND names "${need}" at)
    if(NOT failed AND at GREATER -1)
      continue()
    endif()
    file(REMOVE "${deb}" "${CPACK_PACKAGE_DIRECTORY}/${name}")
    if(failed OR depends STREQUAL "")
      message(FATAL_ERROR "${name} declares no dependencies, so it was "
        "removed: dpkg-shlibdeps, from dpkg-dev, must be installed and work "
        "(apt-get install dpkg-dev)")
    endif()
    message(FATAL_ERROR "${name} does not depend on ${need}, which the "
      "program links (Depends: ${depends}), so it was removed")
  endforeach()
endforeach()
