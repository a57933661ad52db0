# Read by cpack once per generator: the installer gets its own file name.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "Tonekeep-${CPACK_PACKAGE_VERSION}-setup-${CPACK_TONEKEEP_ARCH}")
endif()
# The portable ZIP unpacks into one folder of its own.
if(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
endif()
