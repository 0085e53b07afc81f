# Packages of what the install rules put in place, made with CPack from the
# build folder:
#
#   native:             cpack -G DEB  ->  zorbel_<version>_<arch>.deb
#   windows, windows64: cpack -G ZIP  ->  zorbel-<version>-win32.zip / -win64.zip,
#                       one folder holding zorbel.exe, taclib22.dll, zorbel.hkr

set(CPACK_PACKAGE_NAME zorbel)
set(CPACK_PACKAGE_VENDOR "The Zorbel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Slingshot-like demonstration for a force-feedback mouse")
set(CPACK_PACKAGE_DESCRIPTION
    "A full-screen launcher with an elastic band: grab the band, pull and let\n\
go. While the band is held, a spring effect on a force-feedback mouse pulls\n\
the hand back toward the band's rest centre; without such a mouse it runs\n\
without force.")
# No debugging information in what users get.
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build/;/build-;/\\\\.git/")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(ZORBEL_MAINTAINER "The Zorbel developers <zorbel@example.org>" CACHE STRING
      "The Debian package's maintainer: a name and an e-mail address")
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ZORBEL_MAINTAINER})
  # A demonstration, not a game kept in /usr/games.
  set(CPACK_DEBIAN_PACKAGE_SECTION misc)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # The dependencies are those of the binaries, found by dpkg-shlibdeps; the
  # program's own library is found through the program's run path.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()

include(CPack)
