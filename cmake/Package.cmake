# mksetup as a vendor installs it: bin/mksetup and, under share/morvex-setup/, the stub and the
# uninstaller the win32 preset built (SETUP_WIN32_BIN), where mksetup looks first; the win64
# preset's (SETUP_WIN64_BIN) under share/morvex-setup/x64/, for mksetup build --arch x64.
# Packaged as a .deb by `cpack -G DEB` in the host build.
set(SETUP_SHARE_FOLDER share/morvex-setup)

install(TARGETS mksetup RUNTIME DESTINATION bin)
# install(FILES) would stop at a missing file with CMake's own words; say what to build instead.
foreach(kind "win32;SETUP_WIN32_BIN" "win64;SETUP_WIN64_BIN")
  list(GET kind 0 preset)
  list(GET kind 1 variable)
  set(folder ${${variable}})
  install(CODE "
    foreach(program setup-stub.exe UnInstall.EXE)
      if(NOT EXISTS \"${folder}/\${program}\")
        message(FATAL_ERROR \"${folder}/\${program}: not built; mksetup is installed \"
          \"with the Windows programs: build the ${preset} preset first (scripts/build), or \"
          \"configure this build with -D${variable}=FOLDER\")
      endif()
    endforeach()")
endforeach()
install(FILES ${SETUP_WIN32_BIN}/setup-stub.exe ${SETUP_WIN32_BIN}/UnInstall.EXE
  DESTINATION ${SETUP_SHARE_FOLDER})
install(FILES ${SETUP_WIN64_BIN}/setup-stub.exe ${SETUP_WIN64_BIN}/UnInstall.EXE
  DESTINATION ${SETUP_SHARE_FOLDER}/x64)

set(CPACK_PACKAGE_NAME morvex-setup)
set(CPACK_PACKAGE_VENDOR "Morvex")
set(CPACK_PACKAGE_CONTACT "Morvex setup developers <setup@morvex.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "mksetup: builds and checks setup.exe for a Windows application on Linux")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
