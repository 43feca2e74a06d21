# Installing and packaging.
#
# `cmake --install BUILD [--prefix P]` puts the six programs into P/bin and
# their manual pages into P/share/man/man1; the test programs, the sample
# data generator and the fuzz targets stay in the build tree. On Windows the
# .exe files and a README.txt go side by side into P itself.
#
# CPack makes the packages from the same rules (scripts/package runs it):
#   cpack -G DEB   a Debian package; dpkg-shlibdeps works out its Depends line
#   cpack -G ZIP   from the mingw-w64 cross build, a zip of the .exe files
include(GNUInstallDirs)

set(VORN_PROGRAMS vornpc_map vornpc98map vornx68kmap vornpc98towne vornx68ktowne vorna2map)
# One page per program; vornx68kmap.1 and vornx68ktowne.1 are symbolic links
# to the pages they share with the PC-98 programs.
set(VORN_MAN_PAGES)
foreach(program IN LISTS VORN_PROGRAMS)
  list(APPEND VORN_MAN_PAGES ${PROJECT_SOURCE_DIR}/docs/man/${program}.1)
endforeach()

if(WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/docs/README-windows.txt.in ${PROJECT_BINARY_DIR}/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS ${VORN_PROGRAMS} RUNTIME DESTINATION .)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
else()
  install(TARGETS ${VORN_PROGRAMS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${VORN_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(VORN_PACKAGE_MAINTAINER "vorn map tools maintainers <vorn-maps@example.org>"
    CACHE STRING "Name and mail address for the Maintainer field of the Debian package")

set(CPACK_PACKAGE_NAME vorn-maps)
set(CPACK_PACKAGE_VENDOR "vorn map tools")
set(CPACK_PACKAGE_CONTACT "${VORN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "render the maps of a tile-based fantasy role-playing game")
# The long description, in lines short enough for the Debian control file.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Six command-line programs that draw the world maps and the towns of the"
  "IBM PC, PC-98, X68000 and Apple II versions of the game into BMP or PNG"
  "pictures, from the game's files or from images of its disks. The tiles"
  "can be written out as sheets, edited and drawn with.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VORN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
else()
  set(CPACK_GENERATOR DEB)
endif()
include(CPack)
