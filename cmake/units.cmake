# A unit directory holds include/<name>/*.h, src/*.cpp and tests/*_test.cpp.
# ws_library builds src/ into a static library; ws_tests makes one test program per test file,
# so that a failing file is named by ctest and a developer can build one test alone.

function(ws_library name)
  cmake_parse_arguments(ARG "" "" "LINK;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/src/${ex})
  endforeach()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()

function(ws_tests lib)
  cmake_parse_arguments(ARG "" "" "LINK" ${ARGN})
  if(NOT WS_TESTS)
    return()
  endif()
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tests/*_test.cpp)
  foreach(file IN LISTS tests)
    get_filename_component(base ${file} NAME_WE)
    set(exe ${lib}_${base})
    add_executable(${exe} ${file})
    target_include_directories(${exe} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/testing)
    target_link_libraries(${exe} PRIVATE ${lib} ${ARG_LINK} GTest::gtest GTest::gtest_main GTest::gmock)
    add_test(NAME ${exe} COMMAND ${exe})
    set_tests_properties(${exe} PROPERTIES
      ENVIRONMENT "WS_SOURCE_DIR=${CMAKE_SOURCE_DIR};WS_BINARY_DIR=${CMAKE_BINARY_DIR}"
      TIMEOUT 300)
  endforeach()
endfunction()

# ws_fuzzers builds fuzz/*_fuzz.cpp of a unit directory as libFuzzer programs (clang, WS_FUZZ=ON).
function(ws_fuzzers lib)
  if(NOT WS_FUZZ)
    return()
  endif()
  file(GLOB fuzzers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
  foreach(file IN LISTS fuzzers)
    get_filename_component(base ${file} NAME_WE)
    add_executable(${base} ${file})
    target_compile_options(${base} PRIVATE -fsanitize=fuzzer)
    target_link_options(${base} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${base} PRIVATE ${lib})
    set_target_properties(${base} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  endforeach()
endfunction()
