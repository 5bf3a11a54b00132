# The GMP peer converter that basewright-cli's speed is compared with
# (bench/run-benchmarks.sh). Built only when GMP is installed.
find_path(BASEWRIGHT_GMP_INCLUDE_DIR gmp.h)
find_library(BASEWRIGHT_GMP_LIBRARY gmp)
if(BASEWRIGHT_GMP_INCLUDE_DIR AND BASEWRIGHT_GMP_LIBRARY)
  add_executable(basewright_gmp_peer ${CMAKE_CURRENT_LIST_DIR}/gmp_peer.cpp)
  target_include_directories(basewright_gmp_peer PRIVATE ${BASEWRIGHT_GMP_INCLUDE_DIR})
  target_link_libraries(basewright_gmp_peer PRIVATE ${BASEWRIGHT_GMP_LIBRARY})
else()
  message(STATUS "GMP not found: the peer converter of the benchmarks is not built")
endif()
