# Installation and packages.
# Linux: `cmake --install` puts the programs in bin/, the desktop entry and its
# icon in share/. Windows: the two executables and README.md side by side (with
# the README's pictures), and `cpack` makes a ZIP of them.
include(GNUInstallDirs)

if(WIN32)
  set(cardloom_bin_dir .)
else()
  set(cardloom_bin_dir ${CMAKE_INSTALL_BINDIR})
endif()
foreach(program cardloom cardinfo)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${cardloom_bin_dir})
  endif()
endforeach()

if(WIN32)
  # README.md shows the pictures in docs/ by relative links.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs FILES_MATCHING PATTERN "*.png")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
else()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/cardloom.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  set(CPACK_GENERATOR TGZ)
endif()

set(CPACK_PACKAGE_NAME Cardloom)
set(CPACK_PACKAGE_VENDOR Kesp)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for the card database file cardinfo.dat")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
include(CPack)
