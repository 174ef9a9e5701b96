# What a release ships besides the programs: zlib's licence, taken from the
# zlib.h this build compiles against (its opening comment holds the licence
# and the copyright years of that zlib version), libdeflate's where it is
# built in (from deps/build-libdeflate's copy of its COPYING), and on Linux
# the install rules that scripts/release packs: the tools, their man pages
# and the licences.

find_path(ZLIB_INCLUDE_DIR zlib.h REQUIRED)
file(READ ${ZLIB_INCLUDE_DIR}/zlib.h VANTO_ZLIB_HEADER LIMIT 4096)
string(REGEX MATCH "#define ZLIB_VERSION \"([^\"]+)\"" VANTO_ZLIB_VERSION_LINE "${VANTO_ZLIB_HEADER}")
set(VANTO_ZLIB_VERSION ${CMAKE_MATCH_1})
# From the copyright line to the authors' addresses, without the comment's indentation.
string(REGEX MATCH "Copyright \\(C\\)[^*]*madler@[^\n]*" VANTO_ZLIB_LICENSE "${VANTO_ZLIB_HEADER}")
if(NOT VANTO_ZLIB_VERSION OR NOT VANTO_ZLIB_LICENSE)
  message(FATAL_ERROR "no version or licence text in ${ZLIB_INCLUDE_DIR}/zlib.h")
endif()
string(REGEX REPLACE "\n  " "\n" VANTO_ZLIB_LICENSE "${VANTO_ZLIB_LICENSE}")
set(VANTO_ZLIB_LICENSE_FILE ${PROJECT_BINARY_DIR}/zlib-LICENSE.txt)
file(CONFIGURE OUTPUT ${VANTO_ZLIB_LICENSE_FILE}
  CONTENT "zlib ${VANTO_ZLIB_VERSION} (https://zlib.net/), the compression library in the programs\n\n${VANTO_ZLIB_LICENSE}\n")

if(VANTO_USE_LIBDEFLATE)
  file(READ ${VANTO_DEPS_DIR}/libdeflate/COPYING VANTO_LIBDEFLATE_LICENSE)
  file(READ ${VANTO_DEPS_DIR}/libdeflate/version VANTO_LIBDEFLATE_VERSION)
  string(STRIP "${VANTO_LIBDEFLATE_VERSION}" VANTO_LIBDEFLATE_VERSION)
  set(VANTO_LIBDEFLATE_LICENSE_FILE ${PROJECT_BINARY_DIR}/libdeflate-LICENSE.txt)
  file(CONFIGURE OUTPUT ${VANTO_LIBDEFLATE_LICENSE_FILE}
    CONTENT "libdeflate ${VANTO_LIBDEFLATE_VERSION} (https://github.com/ebiggers/libdeflate), the fast inflater in the programs\n\n${VANTO_LIBDEFLATE_LICENSE}")
else()
  file(REMOVE ${PROJECT_BINARY_DIR}/libdeflate-LICENSE.txt)
endif()

if(NOT WIN32)
  # The documentation folder is named after the tool, not after the project.
  set(CMAKE_INSTALL_DOCDIR share/doc/vanto-extract CACHE PATH "documentation root (DATAROOTDIR/doc/vanto-extract)")
  include(GNUInstallDirs)
  # The tools' man pages, gzipped with -n: no name or time stamp inside, so
  # the same page always gives the same bytes.
  set(VANTO_MAN_PAGES)
  foreach(tool vanto-extract vanto-pack)
    set(page ${PROJECT_BINARY_DIR}/${tool}.1.gz)
    add_custom_command(OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/${tool}.1 ${PROJECT_BINARY_DIR}/${tool}.1
      COMMAND gzip -n -9 -f ${PROJECT_BINARY_DIR}/${tool}.1
      DEPENDS ${PROJECT_SOURCE_DIR}/docs/${tool}.1
      VERBATIM)
    list(APPEND VANTO_MAN_PAGES ${page})
  endforeach()
  add_custom_target(man-page ALL DEPENDS ${VANTO_MAN_PAGES})

  install(TARGETS vanto-extract vanto-pack RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${VANTO_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${VANTO_ZLIB_LICENSE_FILE} DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME zlib-LICENSE)
  if(VANTO_USE_LIBDEFLATE)
    install(FILES ${VANTO_LIBDEFLATE_LICENSE_FILE} DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME libdeflate-LICENSE)
  endif()
endif()
