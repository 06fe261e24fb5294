# Run at install time (cmake --install, cpack) for the Linux layout: copies
# every shared library the built quillane and quillane.p need, directly or
# through each other, into LIBRARY_DIR, except the system's own libraries
# listed in SYSTEM_LIBRARIES (the C library, the C++ and GCC runtimes), and
# the libraries those open while running (OPENED_LIBRARIES).
# quillane finds them there through its run path ($ORIGIN/../lib/quillane).
# For each library it also installs the copyright file of the Debian package
# it came from as DOC_DIR/licences/<package>.txt and lists library, package,
# version and licence file in DOC_DIR/libraries.txt.
#
# Set by the install(CODE) in packaging.cmake: EXECUTABLE, MODULE,
# SYSTEM_LIBRARIES, OPENED_LIBRARIES, LIBRARY_DIR, DOC_DIR, OBJDUMP.
cmake_policy(PUSH)
cmake_policy(SET CMP0057 NEW) # if(IN_LIST)
set(prefix "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")

file(STRINGS "${SYSTEM_LIBRARIES}" system_libraries REGEX "^[^#]")
set(system_regexes)
foreach(name IN LISTS system_libraries)
  string(REGEX REPLACE "([.+])" "\\\\\\1" name "${name}")
  list(APPEND system_regexes "^${name}$")
endforeach()

set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM linux+elf)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND "${OBJDUMP}")

# The libraries the given files need, directly or through each other, other
# than the system's: their paths on this system, in OUT.
function(needed_libraries out)
  file(GET_RUNTIME_DEPENDENCIES ${ARGN}
    RESOLVED_DEPENDENCIES_VAR found
    UNRESOLVED_DEPENDENCIES_VAR missing
    CONFLICTING_DEPENDENCIES_PREFIX conflict
    PRE_EXCLUDE_REGEXES ${system_regexes})
  if(missing)
    message(FATAL_ERROR "quillane needs libraries this system does not have: ${missing}")
  endif()
  # One library found in two folders (/lib and /usr/lib are one on Debian):
  # the same file is fine, two different files are not.
  foreach(name IN LISTS conflict_FILENAMES)
    set(files)
    foreach(path IN LISTS conflict_${name})
      file(REAL_PATH "${path}" real)
      list(APPEND files "${real}")
    endforeach()
    list(REMOVE_DUPLICATES files)
    list(LENGTH files count)
    if(count GREATER 1)
      message(FATAL_ERROR "${name} resolves to different files: ${files}")
    endif()
    list(GET conflict_${name} 0 path)
    list(APPEND found "${path}")
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

needed_libraries(found EXECUTABLES "${EXECUTABLE}" MODULES "${MODULE}")

# The libraries that carried ones open while running (OPENED_LIBRARIES),
# from the folder the opening library is in, and what they need.
file(STRINGS "${OPENED_LIBRARIES}" opened_pairs REGEX "^[^#]")
set(opened)
foreach(pair IN LISTS opened_pairs)
  string(REGEX MATCHALL "[^ \t]+" pair "${pair}")
  list(GET pair 0 opener)
  list(GET pair 1 name)
  foreach(path IN LISTS found)
    get_filename_component(found_name "${path}" NAME)
    get_filename_component(dir "${path}" DIRECTORY)
    if(found_name STREQUAL opener)
      if(NOT EXISTS "${dir}/${name}")
        message(FATAL_ERROR "${opener} opens ${name}, which is not in ${dir}")
      endif()
      list(APPEND opened "${dir}/${name}")
    endif()
  endforeach()
endforeach()
if(opened)
  needed_libraries(opened_needs LIBRARIES ${opened})
  list(APPEND found ${opened} ${opened_needs})
endif()

# The Debian package each library came from, asked of dpkg in one go (it
# reads every package's file list each time). dpkg knows a file by the path
# it was unpacked to, /lib/... or /usr/lib/..., so both are asked.
set(paths)
foreach(path IN LISTS found)
  file(REAL_PATH "${path}" real)
  string(REGEX REPLACE "^/usr/lib/" "/lib/" lib_path "${real}")
  string(REGEX REPLACE "^/lib/" "/usr/lib/" usr_path "${real}")
  list(APPEND paths "${real}" "${lib_path}" "${usr_path}")
endforeach()
list(REMOVE_DUPLICATES paths)
execute_process(COMMAND dpkg-query --search ${paths} OUTPUT_VARIABLE owners ERROR_QUIET)
string(REPLACE "\n" ";" owners "${owners}")
function(owning_package file out)
  file(REAL_PATH "${file}" real)
  string(REGEX REPLACE "^/(usr/)?lib/" "" tail "${real}")
  foreach(line IN LISTS owners)
    if(line MATCHES "^([^:, ]+)[^ ]*: (/usr)?/lib/(.*)$" AND CMAKE_MATCH_3 STREQUAL tail)
      set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${file}: no Debian package owns it, so its licence is unknown")
endfunction()

set(manifest "# The shared libraries in ${LIBRARY_DIR}/: file, the Debian package it comes\n")
string(APPEND manifest "# from and its version, and the package's copyright and licence text.\n")
string(APPEND manifest "# The sources are Debian's source packages of these versions.\n")
set(names)
set(entries)
set(packages)
foreach(path IN LISTS found)
  get_filename_component(name "${path}" NAME)
  if(name IN_LIST names)
    continue()
  endif()
  list(APPEND names "${name}")
  file(REAL_PATH "${path}" real)
  file(INSTALL DESTINATION "${prefix}/${LIBRARY_DIR}" TYPE FILE RENAME "${name}" FILES "${real}")
  owning_package("${path}" package)
  execute_process(COMMAND dpkg-query --show --showformat=\${Version} "${package}"
    OUTPUT_VARIABLE version COMMAND_ERROR_IS_FATAL ANY)
  list(APPEND entries "${name} ${package} ${version} licences/${package}.txt")
  if(NOT package IN_LIST packages)
    list(APPEND packages "${package}")
    set(copyright "/usr/share/doc/${package}/copyright")
    if(NOT EXISTS "${copyright}")
      message(FATAL_ERROR "${copyright} is missing: ${name} is carried without its licence")
    endif()
    file(INSTALL DESTINATION "${prefix}/${DOC_DIR}/licences" TYPE FILE
      RENAME "${package}.txt" FILES "${copyright}")
  endif()
endforeach()
list(SORT entries)
foreach(entry IN LISTS entries)
  string(APPEND manifest "${entry}\n")
endforeach()
file(WRITE "${prefix}/${DOC_DIR}/libraries.txt" "${manifest}")
list(LENGTH names count)
list(LENGTH packages package_count)
message(STATUS "Carried: ${count} libraries of ${package_count} Debian packages in ${LIBRARY_DIR}")
cmake_policy(POP)
