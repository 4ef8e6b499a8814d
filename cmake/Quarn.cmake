# One static library per source folder: every .cpp of the folder and of its family sub-folders (but
# main.cpp) goes in.
function(quarn_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  set(compiled ${sources})
  list(FILTER compiled INCLUDE REGEX "\\.cpp$")
  if(compiled)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    # A folder whose subsystem is not built yet: nothing to compile, but others may already link it.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# One test executable per *_test.cpp file of a tests/ folder and its family sub-folders, each test
# labelled with the folder's name. The fixtures several families share sit at the folder's root.
# Every test program starts through tests/support's main: offscreen Qt and private XDG folders.
function(quarn_add_tests label)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(source ${test_sources})
    get_filename_component(stem ${source} NAME_WE)
    set(target ${label}_${stem})
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE quarn_testsupport ${ARG_DEPS})
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
    gtest_discover_tests(${target}
      DISCOVERY_MODE PRE_TEST
      DISCOVERY_TIMEOUT 60
      PROPERTIES LABELS ${label} TIMEOUT 120
      TEST_PREFIX "${label}.")
  endforeach()
endfunction()

# Benchmarks: one executable per *_bench.cpp, built by the normal build, run by hand.
function(quarn_add_benchmarks)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB bench_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_bench.cpp)
  foreach(source ${bench_sources})
    get_filename_component(stem ${source} NAME_WE)
    add_executable(${stem} ${source})
    target_link_libraries(${stem} PRIVATE benchmark::benchmark ${ARG_DEPS})
  endforeach()
endfunction()
