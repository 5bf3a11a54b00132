# LibreOffice's UNO bridge for the spreadsheet export.
#
# The office is found by the same rule as at run time: the real file behind
# the first executable `soffice` on $UNO_PATH, then on $PATH, links resolved;
# its folder is the office's program folder, and the SDK sits beside that
# folder (../sdk). The C++ headers of the office's types are not shipped:
# cppumaker generates them at build time into the build folder (all of them:
# that takes about a second, and naming types one by one misses some they
# depend on).
#
# Sets BASEWRIGHT_WITH_UNO (ON when everything was found), and otherwise
# BASEWRIGHT_UNO_MISSING to what was missing.

set(BASEWRIGHT_UNO_MISSING "")
set(_bw_search "")
if(DEFINED ENV{UNO_PATH})
  string(REPLACE ":" ";" _bw_search "$ENV{UNO_PATH}")
endif()
find_program(BASEWRIGHT_SOFFICE soffice HINTS ${_bw_search})
if(NOT BASEWRIGHT_SOFFICE)
  set(BASEWRIGHT_UNO_MISSING ", no soffice on UNO_PATH or PATH")
  return()
endif()
file(REAL_PATH "${BASEWRIGHT_SOFFICE}" _bw_soffice_real)
get_filename_component(BASEWRIGHT_OFFICE_PROGRAM_FOLDER "${_bw_soffice_real}" DIRECTORY)
get_filename_component(_bw_office_root "${BASEWRIGHT_OFFICE_PROGRAM_FOLDER}" DIRECTORY)

find_program(BASEWRIGHT_CPPUMAKER cppumaker HINTS ${_bw_office_root}/sdk/bin NO_DEFAULT_PATH)
find_path(BASEWRIGHT_UNO_INCLUDE_DIR cppuhelper/bootstrap.hxx HINTS ${_bw_office_root}/sdk/include /usr/include/libreoffice)
foreach(_bw_lib uno_cppuhelpergcc3 uno_cppu uno_sal)
  find_library(BASEWRIGHT_LIB_${_bw_lib} ${_bw_lib} HINTS ${_bw_office_root}/sdk/lib ${BASEWRIGHT_OFFICE_PROGRAM_FOLDER})
  if(NOT BASEWRIGHT_LIB_${_bw_lib})
    string(APPEND BASEWRIGHT_UNO_MISSING ", no lib${_bw_lib}")
  endif()
endforeach()
set(_bw_types_rdb ${BASEWRIGHT_OFFICE_PROGRAM_FOLDER}/types.rdb)
set(_bw_offapi_rdb ${BASEWRIGHT_OFFICE_PROGRAM_FOLDER}/types/offapi.rdb)
if(NOT BASEWRIGHT_CPPUMAKER)
  string(APPEND BASEWRIGHT_UNO_MISSING ", no cppumaker in ${_bw_office_root}/sdk/bin")
endif()
if(NOT BASEWRIGHT_UNO_INCLUDE_DIR)
  string(APPEND BASEWRIGHT_UNO_MISSING ", no UNO headers")
endif()
if(NOT EXISTS ${_bw_types_rdb} OR NOT EXISTS ${_bw_offapi_rdb})
  string(APPEND BASEWRIGHT_UNO_MISSING ", no type libraries in ${BASEWRIGHT_OFFICE_PROGRAM_FOLDER}")
endif()
if(BASEWRIGHT_UNO_MISSING)
  return()
endif()
set(BASEWRIGHT_WITH_UNO ON)

set(BASEWRIGHT_UNO_GENERATED ${CMAKE_BINARY_DIR}/uno-headers)
set(_bw_uno_stamp ${BASEWRIGHT_UNO_GENERATED}/cppumaker.stamp)
add_custom_command(
  OUTPUT ${_bw_uno_stamp}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BASEWRIGHT_UNO_GENERATED}
  COMMAND ${BASEWRIGHT_CPPUMAKER} -Gc -O${BASEWRIGHT_UNO_GENERATED} ${_bw_types_rdb} ${_bw_offapi_rdb}
  COMMAND ${CMAKE_COMMAND} -E touch ${_bw_uno_stamp}
  DEPENDS ${_bw_types_rdb} ${_bw_offapi_rdb} ${CMAKE_CURRENT_LIST_FILE}
  COMMENT "Generating the C++ headers of the office's UNO types"
  VERBATIM)
add_custom_target(basewright_uno_headers DEPENDS ${_bw_uno_stamp})

# Everything a program that talks UNO needs: the SDK and generated headers,
# the platform definitions and the UNO runtime libraries.
add_library(basewright_uno_sdk INTERFACE)
add_dependencies(basewright_uno_sdk basewright_uno_headers)
target_include_directories(basewright_uno_sdk SYSTEM INTERFACE ${BASEWRIGHT_UNO_INCLUDE_DIR} ${BASEWRIGHT_UNO_GENERATED})
target_compile_definitions(basewright_uno_sdk INTERFACE LINUX UNX CPPU_ENV=gcc3)
target_link_libraries(basewright_uno_sdk INTERFACE
  ${BASEWRIGHT_LIB_uno_cppuhelpergcc3} ${BASEWRIGHT_LIB_uno_cppu} ${BASEWRIGHT_LIB_uno_sal})
# The SDK's libraries need the office's own private libraries, at link time
# and at run time: they find them beside themselves ($ORIGIN), so they must
# be loaded from the office's program folder, not through the links in the
# system library folder.
target_link_options(basewright_uno_sdk INTERFACE
  "LINKER:-rpath-link,${BASEWRIGHT_OFFICE_PROGRAM_FOLDER}"
  "LINKER:-rpath,${BASEWRIGHT_OFFICE_PROGRAM_FOLDER}")
