# Packages of each Windows build (cpack, or scripts/package.sh), <arch> win64 or win32:
#   Tonekeep-<version>-<arch>.zip        portable: unpack anywhere and start Tonekeep.exe
#   Tonekeep-<version>-setup-<arch>.exe  per-user installer (NSIS, no administrator rights)
# Both hold Tonekeep.exe, HavroVista.dll (beside it: the program loads the library from
# its own folder only), README.txt and LICENSE.txt. The win32 pair runs from Windows XP
# SP3 on, 32-bit or 64-bit; the win64 pair from 64-bit Windows 7 SP1 on.

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_TONEKEEP_ARCH win64)
  set(CPACK_TONEKEEP_NSIS_TARGET amd64-unicode)
else()
  set(CPACK_TONEKEEP_ARCH win32)
  set(CPACK_TONEKEEP_NSIS_TARGET x86-unicode)
endif()

install(TARGETS Tonekeep RUNTIME DESTINATION .)
if(TARGET HavroVista)
  install(TARGETS HavroVista RUNTIME DESTINATION .)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION . RENAME README.txt)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

set(CPACK_PACKAGE_NAME "Tonekeep")
set(CPACK_PACKAGE_VENDOR "Havro")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Havro Tonekeep: a sound-card set-up per program")
set(CPACK_PACKAGE_FILE_NAME "Tonekeep-${PROJECT_VERSION}-${CPACK_TONEKEEP_ARCH}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "Havro Tonekeep")
# The uninstall entry's key name under HKCU\...\CurrentVersion\Uninstall.
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY "Havro Tonekeep")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)

# The installer is our own script (cmake/packaging/NSIS.template.in): per user, into
# %LOCALAPPDATA%\Programs, and it never touches the user's settings.
set(CPACK_MODULE_PATH "${CMAKE_CURRENT_LIST_DIR}/packaging")
set(CPACK_NSIS_MUI_ICON "${PROJECT_SOURCE_DIR}/app/win32/res/tonekeep.ico")
set(CPACK_NSIS_MUI_UNIICON "${PROJECT_SOURCE_DIR}/app/win32/res/tonekeep.ico")
set(CPACK_PROJECT_CONFIG_FILE "${CMAKE_CURRENT_LIST_DIR}/packaging/PerGenerator.cmake")

find_program(TONEKEEP_MAKENSIS makensis)
if(TONEKEEP_MAKENSIS)
  set(CPACK_GENERATOR "ZIP;NSIS")
else()
  message(STATUS "makensis not found: cpack builds the ZIP only (Debian package nsis)")
  set(CPACK_GENERATOR "ZIP")
endif()

include(CPack)
