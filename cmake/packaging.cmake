# Installing and packaging.
#
# `cmake --install BUILD [--prefix P]` puts the six programs into P/bin and
# their manual pages into P/share/man/man1; the test programs, the sample
# data generator and the fuzz targets stay in the build tree. On Windows the
# .exe files and a README.txt go side by side into P itself.
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
