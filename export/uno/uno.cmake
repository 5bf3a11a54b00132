# Spreadsheet automation over LibreOffice's UNO interface.
#
# The C++ headers of the office's types are not shipped: cppumaker generates
# them at build time into the build folder (all of them: that takes about a
# second, and naming types one by one misses some they depend on). Without the SDK the export command reports
# that the spreadsheet application is not installed.

set(BASEWRIGHT_OFFICE_ROOT "/usr/lib/libreoffice" CACHE PATH "LibreOffice installation folder (holds program/ and sdk/)")

find_program(BASEWRIGHT_CPPUMAKER cppumaker
  HINTS ${BASEWRIGHT_OFFICE_ROOT}/sdk/bin
  NO_DEFAULT_PATH)
find_path(BASEWRIGHT_UNO_INCLUDE_DIR cppuhelper/bootstrap.hxx
  HINTS /usr/include/libreoffice ${BASEWRIGHT_OFFICE_ROOT}/sdk/include)
find_library(BASEWRIGHT_UNO_CPPUHELPER uno_cppuhelpergcc3 HINTS ${BASEWRIGHT_OFFICE_ROOT}/sdk/lib ${BASEWRIGHT_OFFICE_ROOT}/program)
find_library(BASEWRIGHT_UNO_CPPU uno_cppu HINTS ${BASEWRIGHT_OFFICE_ROOT}/sdk/lib ${BASEWRIGHT_OFFICE_ROOT}/program)
find_library(BASEWRIGHT_UNO_SAL uno_sal HINTS ${BASEWRIGHT_OFFICE_ROOT}/sdk/lib ${BASEWRIGHT_OFFICE_ROOT}/program)

set(_bw_types_rdb ${BASEWRIGHT_OFFICE_ROOT}/program/types.rdb)
set(_bw_offapi_rdb ${BASEWRIGHT_OFFICE_ROOT}/program/types/offapi.rdb)

if(NOT BASEWRIGHT_CPPUMAKER OR NOT BASEWRIGHT_UNO_INCLUDE_DIR OR NOT BASEWRIGHT_UNO_CPPUHELPER
   OR NOT BASEWRIGHT_UNO_CPPU OR NOT BASEWRIGHT_UNO_SAL
   OR NOT EXISTS ${_bw_types_rdb} OR NOT EXISTS ${_bw_offapi_rdb})
  message(STATUS "LibreOffice SDK not found (install libreoffice-dev): \"Save Results As Excel File\" "
                 "will report that the spreadsheet application is not installed")
  set(BASEWRIGHT_HAVE_UNO OFF)
  return()
endif()
message(STATUS "LibreOffice SDK found: spreadsheet export over UNO (${BASEWRIGHT_CPPUMAKER})")
set(BASEWRIGHT_HAVE_UNO ON)

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
target_compile_definitions(basewright_uno_sdk INTERFACE LINUX UNX CPPU_ENV=gcc3
  BASEWRIGHT_OFFICE_PROGRAM_DIR="${BASEWRIGHT_OFFICE_ROOT}/program")
target_link_libraries(basewright_uno_sdk INTERFACE ${BASEWRIGHT_UNO_CPPUHELPER} ${BASEWRIGHT_UNO_CPPU} ${BASEWRIGHT_UNO_SAL})
# The SDK's libraries need the office's own private libraries, at link time
# and at run time: they find them beside themselves ($ORIGIN), so they must
# be loaded from the office's program folder, not through the links in the
# system library folder.
target_link_options(basewright_uno_sdk INTERFACE
  "LINKER:-rpath-link,${BASEWRIGHT_OFFICE_ROOT}/program"
  "LINKER:-rpath,${BASEWRIGHT_OFFICE_ROOT}/program")

target_sources(basewright_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/LibreOffice.h
  ${CMAKE_CURRENT_LIST_DIR}/LibreOffice.cpp
  ${CMAKE_CURRENT_LIST_DIR}/UnoSession.h
  ${CMAKE_CURRENT_LIST_DIR}/UnoSession.cpp)
add_dependencies(basewright_gui basewright_uno_headers)
target_link_libraries(basewright_gui PRIVATE basewright_uno_sdk)
target_compile_definitions(basewright_gui PUBLIC BASEWRIGHT_HAVE_UNO)

# A headless office of its own for the integration test and the benchmark.
add_library(basewright_office_process STATIC
  ${CMAKE_CURRENT_LIST_DIR}/OfficeProcess.h
  ${CMAKE_CURRENT_LIST_DIR}/OfficeProcess.cpp)
target_link_libraries(basewright_office_process PUBLIC basewright_gui basewright_uno_sdk)
