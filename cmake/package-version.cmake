# Read by cpack: names the package after the version of the build being
# packaged, which the build writes to version.txt.
if(NOT EXISTS ${CPACK_QUILLANE_VERSION_FILE})
  message(FATAL_ERROR "${CPACK_QUILLANE_VERSION_FILE} is missing: build before packaging")
endif()
file(STRINGS ${CPACK_QUILLANE_VERSION_FILE} CPACK_PACKAGE_VERSION LIMIT_COUNT 1)
set(CPACK_PACKAGE_FILE_NAME quillane-${CPACK_PACKAGE_VERSION}-${CPACK_SYSTEM_NAME})
