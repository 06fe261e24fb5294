# Header-only Debian packages (nlohmann-json, CLI11) for a cross build.
#
# Their installed package files point at /usr/include, which must not reach
# the cross compiler: the build machine's C library headers there would
# shadow the target's own. Instead, a build-tree folder holds links to just
# the packages' header folders, and small package files in CMake's redirect
# folder (searched before anything else by find_package) name that folder.
set(QUILLANE_CROSS_INCLUDE ${CMAKE_BINARY_DIR}/cross-include)
file(MAKE_DIRECTORY ${QUILLANE_CROSS_INCLUDE})

function(quillane_header_package package target folder)
  if(NOT EXISTS /usr/include/${folder})
    message(FATAL_ERROR "/usr/include/${folder} is missing: install the "
                        "Debian package that provides ${package}")
  endif()
  file(CREATE_LINK /usr/include/${folder} ${QUILLANE_CROSS_INCLUDE}/${folder}
       SYMBOLIC)
  string(TOLOWER ${package} lower)
  file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/${lower}-config.cmake
"if(NOT TARGET ${target})
  add_library(${target} INTERFACE IMPORTED)
  set_target_properties(${target} PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES ${QUILLANE_CROSS_INCLUDE})
endif()
")
endfunction()

quillane_header_package(nlohmann_json nlohmann_json::nlohmann_json nlohmann)
quillane_header_package(CLI11 CLI11::CLI11 CLI)
