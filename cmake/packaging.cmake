# Installation and packages.
# Linux: `cmake --install` puts the programs in bin/, and in share/ the desktop
# entry, its icon in the hicolor sizes, the AppStream entry, the man pages and
# the licence; `cpack -G DEB` makes cardloom_5.0-1_amd64.deb of them.
# Windows: the two executables side by side with README.md (and its pictures)
# and LICENSE; `cpack` makes the portable ZIP and the NSIS installer
# Cardloom-5.0-win64-setup.exe.
include(GNUInstallDirs)

set(CPACK_PACKAGE_NAME Cardloom)
set(CPACK_PACKAGE_VENDOR Kesp)
set(CPACK_PACKAGE_CONTACT "Kesp <kesp@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://cardloom.example.org)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for the card database file cardinfo.dat")
set(CPACK_PACKAGE_DESCRIPTION [[
Cardloom opens cardinfo.dat, the binary card database of the card-game
program Apprentice, lists every card by name, lets you edit, add and delete
cards and saves the database in the same format. The command cardinfo dumps,
checks, rewrites and imports such files.]])
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(cardloom_copyright "Copyright (c) 2026 the Cardloom authors")

# The two programs, each with its version resource and manifest on Windows.
set(cardloom_programs cardloom "Cardloom card database editor" cardinfo "Cardloom card file tool")
# The editor lays its window out in pixels and draws with GDI: on a high-DPI
# screen the system scales it as a whole (DPI unaware) and draws its text
# sharp at the screen's resolution (GDI scaling), so the layout stays intact.
set(cardloom_window_settings "
  <application xmlns=\"urn:schemas-microsoft-com:asm.v3\">
    <windowsSettings>
      <dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">false</dpiAware>
      <gdiScaling xmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true</gdiScaling>
    </windowsSettings>
  </application>")
if(WIN32)
  set(cardloom_bin_dir .)
else()
  set(cardloom_bin_dir ${CMAKE_INSTALL_BINDIR})
endif()
while(cardloom_programs)
  list(POP_FRONT cardloom_programs program description)
  install(TARGETS ${program} RUNTIME DESTINATION ${cardloom_bin_dir})
  if(WIN32)
    set(window_settings)
    if(program STREQUAL cardloom)
      set(window_settings "${cardloom_window_settings}")
    endif()
    configure_file(${PROJECT_SOURCE_DIR}/res/program.manifest.in ${PROJECT_BINARY_DIR}/res/${program}.manifest @ONLY)
    configure_file(${PROJECT_SOURCE_DIR}/res/program.rc.in ${PROJECT_BINARY_DIR}/res/${program}_program.rc @ONLY)
    target_sources(${program} PRIVATE ${PROJECT_BINARY_DIR}/res/${program}_program.rc)
  endif()
endwhile()

if(WIN32)
  # README.md shows the pictures in docs/ by relative links.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/ DESTINATION docs FILES_MATCHING PATTERN "*.png")
  set(CPACK_GENERATOR ZIP NSIS)
  set(CPACK_SYSTEM_NAME win64)
  # A 64-bit installer (Debian's NSIS has the amd64 stubs): Program Files and
  # the registry's own view, not the 32-bit ones.
  set(CPACK_NSIS_DEFINES "Target amd64-unicode")
  set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
  set(CPACK_PACKAGE_INSTALL_DIRECTORY Cardloom)
  set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Cardloom)
  set(CPACK_NSIS_EXECUTABLES_DIRECTORY .)
  set(CPACK_PACKAGE_EXECUTABLES cardloom Cardloom)
  set(CPACK_NSIS_MUI_ICON ${PROJECT_SOURCE_DIR}/res/cardloom.ico)
  set(CPACK_NSIS_MUI_UNIICON ${PROJECT_SOURCE_DIR}/res/cardloom.ico)
  set(CPACK_NSIS_INSTALLED_ICON_NAME cardloom.exe)
  set(CPACK_NSIS_DISPLAY_NAME Cardloom)
  set(CPACK_NSIS_PACKAGE_NAME Cardloom)
  set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
  set(CPACK_NSIS_CONTACT kesp@example.org)
  set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
  # Cardloom-5.0-win64-setup.exe beside Cardloom-5.0-win64.zip.
  set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/cpack_options.cmake)
else()
  set(share ${CMAKE_INSTALL_DATADIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/cardloom.desktop DESTINATION ${share}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/org.example.cardloom.metainfo.xml DESTINATION ${share}/metainfo)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/res/hicolor DESTINATION ${share}/icons)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${share}/doc/cardloom RENAME copyright)
  # Man pages and the package's changelog, compressed as Debian keeps them.
  # The folder is made here: only some generators make an output's folder.
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/packaging)
  set(compressed)
  foreach(file man/cardloom.1 man/cardinfo.1 changelog.Debian)
    get_filename_component(name ${file} NAME)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/${name}.gz
      COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/${file} > ${PROJECT_BINARY_DIR}/packaging/${name}.gz
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${file} VERBATIM)
    list(APPEND compressed ${PROJECT_BINARY_DIR}/packaging/${name}.gz)
  endforeach()
  add_custom_target(compressed_docs ALL DEPENDS ${compressed})
  list(POP_BACK compressed changelog)
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${changelog} DESTINATION ${share}/doc/cardloom)

  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_PACKAGE_NAME cardloom)
  set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
include(CPack)
