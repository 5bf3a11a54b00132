# Cost of converting one entry, by digit count, with GMP as the peer when
# it is installed.
find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(basewright_core_bench ${CMAKE_CURRENT_LIST_DIR}/core_bench.cpp)
  target_link_libraries(basewright_core_bench PRIVATE basewright_core benchmark::benchmark)
  find_path(BASEWRIGHT_GMP_INCLUDE gmp.h)
  find_library(BASEWRIGHT_GMP_LIBRARY gmp)
  if(BASEWRIGHT_GMP_INCLUDE AND BASEWRIGHT_GMP_LIBRARY)
    target_include_directories(basewright_core_bench PRIVATE ${BASEWRIGHT_GMP_INCLUDE})
    target_link_libraries(basewright_core_bench PRIVATE ${BASEWRIGHT_GMP_LIBRARY})
    target_compile_definitions(basewright_core_bench PRIVATE BASEWRIGHT_BENCH_GMP=1)
  endif()
endif()
