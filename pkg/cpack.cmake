# Read by cpack for each package it makes. Without dpkg-shlibdeps the .deb
# would declare no dependencies at all, and install where it cannot run.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(GFC_SHLIBDEPS dpkg-shlibdeps NO_DEFAULT_PATH PATHS ENV PATH)
  if(NOT GFC_SHLIBDEPS)
    message(FATAL_ERROR "dpkg-shlibdeps is missing, so the package could not "
      "declare its dependencies: install dpkg-dev (apt-get install dpkg-dev)")
  endif()
endif()
