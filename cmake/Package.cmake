# mksetup as a vendor installs it: bin/mksetup and, under share/morvex-setup/, the stub and the
# uninstaller the win32 preset built (SETUP_WIN32_BIN), where mksetup looks first; the win64
# preset's (SETUP_WIN64_BIN) under share/morvex-setup/x64/, for mksetup build --arch x64.
# Packaged as a .deb by `cpack -G DEB` in the host build.
set(SETUP_SHARE_FOLDER share/morvex-setup)

install(TARGETS mksetup RUNTIME DESTINATION bin)
# A packaged mksetup keeps no compiler notes (.comment, .note), as dh_strip leaves a binary.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/mksetup\" COMMAND_ERROR_IS_FATAL ANY)
  endif()")
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

# find_package(MorvexSetup) for a vendor's CMake project: the configuration, its version file and
# the CPack External package script, all finding mksetup relative to where they lie. The version
# file does not compare pointer sizes: mksetup runs on the build machine, whatever the project
# builds for (a 32-bit Windows program as well).
include(CMakePackageConfigHelpers)
set(SETUP_CMAKE_FOLDER lib/cmake/MorvexSetup)
set(SETUP_BIN_FOLDER bin)
foreach(file MorvexSetupConfig.cmake MorvexSetupCPackExternal.cmake)
  configure_package_config_file(cmake/MorvexSetup/${file}.in
    ${CMAKE_BINARY_DIR}/package-files/${file} INSTALL_DESTINATION ${SETUP_CMAKE_FOLDER}
    PATH_VARS SETUP_BIN_FOLDER NO_SET_AND_CHECK_MACRO)
endforeach()
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package-files/MorvexSetupConfigVersion.cmake
  COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${CMAKE_BINARY_DIR}/package-files/MorvexSetupConfig.cmake
  ${CMAKE_BINARY_DIR}/package-files/MorvexSetupConfigVersion.cmake
  ${CMAKE_BINARY_DIR}/package-files/MorvexSetupCPackExternal.cmake
  cmake/MorvexSetup/MorvexSetupBuildOptions.cmake DESTINATION ${SETUP_CMAKE_FOLDER})

# The documents the help and the man page point at, laid out as in the source tree so that their
# links (README.md to docs/, docs/ to screenshots/) hold; the changelog and copyright as a
# Debian package has them.
set(SETUP_DOC_FOLDER share/doc/morvex-setup)
install(FILES README.md DESTINATION ${SETUP_DOC_FOLDER})
install(DIRECTORY docs/ DESTINATION ${SETUP_DOC_FOLDER}/docs FILES_MATCHING PATTERN "*.md"
  PATTERN "*.png")
install(FILES tools/mksetup/README.md DESTINATION ${SETUP_DOC_FOLDER}/tools/mksetup)
install(FILES cmake/package/copyright DESTINATION ${SETUP_DOC_FOLDER})
install(FILES cmake/package/lintian-overrides DESTINATION share/lintian/overrides
  RENAME morvex-setup)
install(FILES ${MKSETUP_MAN_PAGE} DESTINATION share/man/man1)
install(FILES ${MKSETUP_COMPLETION} DESTINATION share/bash-completion/completions)

set(CPACK_PACKAGE_NAME morvex-setup)
set(CPACK_PACKAGE_VENDOR "Morvex")
set(CPACK_PACKAGE_CONTACT "Morvex setup developers <setup@morvex.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "mksetup: builds and checks setup.exe for a Windows application on Linux")
set(CPACK_PACKAGE_DESCRIPTION [=[mksetup builds a self-contained setup.exe for one Windows desktop application
from a setup script, a licence in German, English and French, and the files of
the product. It checks a script for what would break an installation, lists,
extracts and signs (with osslsigncode) a setup.exe, and runs one, and its
uninstaller, against a simulated Windows as a dry run.

The package carries the setup program and the uninstaller (UnInstall.EXE) for
32-bit and 64-bit Windows that mksetup builds from, and a CMake package
configuration: find_package(MorvexSetup) in a product's CMake build gives a
target that builds its setup.exe, and a package script for cpack -G External.]=])
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# A native package's changelog, dated by SOURCE_DATE_EPOCH when it is set (scripts/build sets
# it from the last commit), so that a rebuild of one commit writes the same bytes.
string(TIMESTAMP SETUP_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(cmake/package/changelog.in ${CMAKE_BINARY_DIR}/package-files/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/package-files/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/package-files/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/package-files/changelog VERBATIM)
add_custom_target(package_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/package-files/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/package-files/changelog.gz DESTINATION ${SETUP_DOC_FOLDER})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# mksetup build --sign-cert and mksetup sign call it; everything else works without.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS osslsigncode)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
