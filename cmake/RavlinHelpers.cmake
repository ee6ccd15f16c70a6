# Small helpers shared by every folder's CMakeLists.txt.

# Adds a sub-folder only when it has a CMakeLists.txt, so subsystems can land one at a time.
macro(ravlin_optional_subdirectory dir)
  if(EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt")
    add_subdirectory(${dir})
  endif()
endmacro()

# ravlin_add_test(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>])
# One GoogleTest executable; every TEST() in it becomes a ctest case.
function(ravlin_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main ravlin_warnings)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${ARG_LABELS}")
endfunction()

# ravlin_add_bench(<name> SOURCES <files...> [LIBS <targets...>])
# One Google Benchmark executable; not run by ctest (timings on a shared machine are not tests).
function(ravlin_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark benchmark::benchmark_main ravlin_warnings)
endfunction()
