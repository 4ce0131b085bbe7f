# Run by cpack before and after it makes each package, so that the bytes
# do not depend on the umask: cpack makes folders, and takes the modes of
# the .deb's ar members, as the umask leaves them.
if(NOT CPACK_PACKAGE_FILES)
  # Before: every folder of the staged tree 0755; files keep their modes.
  file(CHMOD_RECURSE "${CPACK_TEMPORARY_INSTALL_DIRECTORY}" DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
else()
  # After: the mode in each ar member's header (bytes 40 to 47) 0644.
  foreach(deb IN LISTS CPACK_PACKAGE_FILES)
    if(deb MATCHES "[.]deb$")
      execute_process(COMMAND perl -e [[
        open my $f, '+<', $ARGV[0] or die "$ARGV[0]: $!\n";
        for (my $at = 8; seek($f, $at, 0) && read($f, my $h, 60) == 60;) {
          my $size = substr($h, 48, 10) + 0;
          seek($f, $at + 40, 0) and print $f '100644  ' or die "$ARGV[0]: $!\n";
          $at += 60 + $size + ($size & 1);
        }
        close $f or die "$ARGV[0]: $!\n";
      ]] "${deb}" RESULT_VARIABLE failed)
      if(failed)
        message(FATAL_ERROR "could not set the modes in ${deb}")
      endif()
    endif()
  endforeach()
endif()
