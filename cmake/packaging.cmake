# Installing (cmake --install) and the release packages (cpack):
#   Windows: quillane-<version>-windows-x64.zip, everything in one folder:
#            quillane.p, quillane.exe, the install guide, changelog, the
#            command and scene guides, examples, third-party notices and
#            licence texts. (The README, with its links into the
#            repository, stays out.)
#   Linux:   quillane-<version>-linux-x64.tar.gz, laid out as under a
#            prefix: bin/quillane, lib/quillane/quillane.p (where the
#            installed quillane looks for it) and the shared libraries
#            they need beyond the system's own (bundle-libraries.cmake),
#            share/doc/quillane/ with those libraries' licence texts.
# <version> is the version text of the build being packaged (version.txt).
if(WIN32)
  set(bin_dir .)
  set(module_dir .)
  set(doc_dir .)
  set(system windows-x64)
  set(CPACK_GENERATOR ZIP)
  # The C++ and GCC runtimes and the mingw-w64 runtime are linked in.
  set(runtime_licences
    /usr/share/doc/gcc-mingw-w64-base/copyright gcc-runtime.txt
    /usr/share/doc/mingw-w64-x86-64-dev/copyright mingw-w64-runtime.txt)
else()
  set(bin_dir bin)
  set(module_dir lib/quillane)
  set(doc_dir share/doc/quillane)
  set(system linux-x64)
  set(CPACK_GENERATOR TGZ)
  # Start-up and helper code of the GCC runtime is linked in.
  set(runtime_licences /usr/share/doc/libstdc++6/copyright gcc-runtime.txt)
endif()

install(TARGETS quillane_plugin LIBRARY DESTINATION ${module_dir})
if(TARGET quillane)
  install(TARGETS quillane RUNTIME DESTINATION ${bin_dir})
endif()
if(TARGET quillane AND NOT WIN32)
  # The shared libraries quillane and quillane.p need beyond the system's
  # own, with the licence texts of their Debian packages.
  install(CODE "
    set(EXECUTABLE \"$<TARGET_FILE:quillane>\")
    set(MODULE \"$<TARGET_FILE:quillane_plugin>\")
    set(SYSTEM_LIBRARIES \"${CMAKE_CURRENT_LIST_DIR}/linux-system-libraries.txt\")
    set(OPENED_LIBRARIES \"${CMAKE_CURRENT_LIST_DIR}/linux-opened-libraries.txt\")
    set(LIBRARY_DIR ${module_dir})
    set(DOC_DIR ${doc_dir})
    set(OBJDUMP \"${CMAKE_OBJDUMP}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/bundle-libraries.cmake\")")
endif()
install(FILES CHANGELOG.md docs/install.md docs/cli.md
              docs/scene-format.md docs/third-party-notices.md
        DESTINATION ${doc_dir})
install(DIRECTORY examples DESTINATION ${doc_dir})

# Licence texts as Debian ships them: the header-only libraries compiled
# into quillane, the runtime pieces linked in, and the GPL that the GCC
# runtime's exception refers to.
list(APPEND runtime_licences
  /usr/share/doc/libcli11-dev/copyright CLI11.txt
  /usr/share/doc/nlohmann-json3-dev/copyright nlohmann-json.txt
  /usr/share/common-licenses/GPL-3 GPL-3.txt)
while(runtime_licences)
  list(POP_FRONT runtime_licences from to)
  if(NOT EXISTS ${from})
    message(FATAL_ERROR "${from} is missing: the packages need its licence text")
  endif()
  install(FILES ${from} DESTINATION ${doc_dir}/licences RENAME ${to})
endwhile()

set(CPACK_PACKAGE_NAME quillane)
set(CPACK_PACKAGE_VENDOR "Quillane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Anisotropic specular shading node and its stand-in host")
set(CPACK_SYSTEM_NAME ${system})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_QUILLANE_VERSION_FILE ${QUILLANE_VERSION_DIR}/version.txt)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package-version.cmake)
include(CPack)
