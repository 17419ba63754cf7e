# Installation and packages. Included from the top-level CMakeLists.txt, so
# the rules below act on its targets.
#
#   cmake --install build/release --prefix /usr/local
#       bin/zub2wav and share/man/man1/zub2wav.1 under the prefix
#   cpack --config build/release/CPackConfig.cmake -B build/packages   (Linux)
#       zub2wav_<version>_amd64.deb, with usr/share/doc/zub2wav/copyright
#       (from LICENSE) and changelog.gz (from CHANGELOG.md)
#   cpack --config build/win64/CPackConfig.cmake -B build/packages     (Windows cross builds)
#       zub2wav-<version>-win64.zip: zub2wav.exe, README.md, LICENSE, CHANGELOG.md
#
# The version is the one of project() in the top-level CMakeLists.txt; the
# manual page and both kinds of package take it from there.

# Who maintains the packages: the Debian package's Maintainer field and the
# signature of its changelog. Packagers set their own
# (-DZUB2WAV_MAINTAINER="Name <address>"); the default is Debian's
# DEBFULLNAME and DEBEMAIL where both are set.
if(DEFINED ENV{DEBFULLNAME} AND DEFINED ENV{DEBEMAIL})
  set(ZUB2WAV_DEFAULT_MAINTAINER "$ENV{DEBFULLNAME} <$ENV{DEBEMAIL}>")
else()
  set(ZUB2WAV_DEFAULT_MAINTAINER "The zub2wav authors <maintainers@zub2wav.invalid>")
endif()
set(ZUB2WAV_MAINTAINER "${ZUB2WAV_DEFAULT_MAINTAINER}" CACHE STRING
    "Maintainer of the packages, as Name <address>")
if(NOT ZUB2WAV_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$")
  message(FATAL_ERROR "ZUB2WAV_MAINTAINER must read 'Name <address>', not '${ZUB2WAV_MAINTAINER}'")
endif()

if(WIN32)
  # A ZIP holds the program and the README side by side, at its top level.
  install(TARGETS zub2wav RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md
          DESTINATION .)

  # win32 or win64, after the program's word size.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(ZUB2WAV_WINDOWS_NAME win64)
  else()
    set(ZUB2WAV_WINDOWS_NAME win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-${ZUB2WAV_WINDOWS_NAME})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  include(GNUInstallDirs)
  configure_file(${PROJECT_SOURCE_DIR}/docs/zub2wav.1.in ${PROJECT_BINARY_DIR}/zub2wav.1 @ONLY)
  install(TARGETS zub2wav RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/zub2wav.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # zub2wav_<version>_<architecture>.deb
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZUB2WAV_MAINTAINER}")
  # Depends: from the libraries the program links (dpkg-shlibdeps).
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Debian keeps manual pages compressed; the package gets zub2wav.1.gz.
  # Its copyright file and changelog are written from LICENSE and
  # CHANGELOG.md when the package is made (Python turns the changelog into
  # Debian's format).
  find_program(ZUB2WAV_PYTHON NAMES python3)
  set(CPACK_ZUB2WAV_PYTHON "${ZUB2WAV_PYTHON}")
  set(CPACK_ZUB2WAV_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
  set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/compress_manual_page.cmake
                              ${PROJECT_SOURCE_DIR}/cmake/debian_documents.cmake)
endif()

set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "zub2wav")
set(CPACK_PACKAGE_CONTACT "${ZUB2WAV_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "converts .zub source audio files to WAV files")
set(CPACK_PACKAGE_DESCRIPTION
    "zub2wav turns .zub source audio files (raw PCM behind a 32-byte header)\n\
into canonical WAV files, one beside each source. The samples are copied\n\
byte for byte: never decoded, resampled or looked at. Failures are told on\n\
standard error, one line each, and nothing of the user's files is destroyed.")
set(CPACK_STRIP_FILES ON)
# A source package (make package_source) leaves out build trees and Git's data.
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git" "__pycache__" "/out/")
include(CPack)
