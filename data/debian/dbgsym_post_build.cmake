# Run by cpack after it has made the packages (CPACK_POST_BUILD_SCRIPTS).
# The debug-symbol package CPack makes needs mending before it is a valid
# Debian package: its md5sums name the files by their absolute paths in the
# build tree, and it has no copyright file or changelog. Each .ddeb is
# unpacked, its md5sums written again with paths inside the package, its
# documentation folder made a link to the main package's (as debhelper's
# dbgsym packages have it; the package depends on that exact version), the
# .debug files made plain data files (mode 644), and it is packed again.
find_program(DPKG_DEB dpkg-deb REQUIRED)

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.ddeb$")
    continue()
  endif()
  set(root "${CPACK_TOPLEVEL_DIRECTORY}/dbgsym-mend")
  file(REMOVE_RECURSE "${root}")
  execute_process(COMMAND "${DPKG_DEB}" -R "${package}" "${root}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND "${DPKG_DEB}" -f "${package}" Package
                  OUTPUT_VARIABLE name OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX REPLACE "-dbgsym$" "" main "${name}")

  file(MAKE_DIRECTORY "${root}/usr/share/doc")
  file(CREATE_LINK "${main}" "${root}/usr/share/doc/${name}" SYMBOLIC)

  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${root}" "${root}/usr/*")
  list(SORT files)
  set(sums "")
  foreach(file IN LISTS files)
    if(IS_SYMLINK "${root}/${file}")
      continue()
    endif()
    file(CHMOD "${root}/${file}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    file(MD5 "${root}/${file}" sum)
    string(APPEND sums "${sum}  ${file}\n")
  endforeach()
  file(WRITE "${root}/DEBIAN/md5sums" "${sums}")

  execute_process(COMMAND "${DPKG_DEB}" --root-owner-group -b "${root}" "${package}"
                  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${root}")
endforeach()
