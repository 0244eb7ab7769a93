# Small helpers shared by the folders' CMakeLists.

# korvid_glob_library(NAME DIR <dir> [LIBS ...]): a static library of every .cpp in DIR (not recursive).
function(korvid_glob_library name)
  cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
  if(NOT ARG_DIR)
    set(ARG_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  file(GLOB sources CONFIGURE_DEPENDS ${ARG_DIR}/*.cpp)
  if(NOT sources)
    # A folder whose sources are not written yet still gives a linkable library.
    set(sources ${PROJECT_SOURCE_DIR}/cmake/empty.cpp)
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${ARG_DIR})
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# korvid_add_gtest(NAME SOURCES <files> LIBS <libs> [LABELS <labels>] [WRAPPER <cmd...>] [ARGS <args...>]):
# a GoogleTest executable registered with CTest. WRAPPER runs the whole executable under a command
# (for example xvfb-run -a) as one CTest test instead of discovering the cases one by one; ARGS go to it.
function(korvid_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS;WRAPPER;ARGS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main Threads::Threads)
  # The test support headers (SharedData.h: where the real banks lie, and the skip without them).
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
  target_compile_definitions(${name} PRIVATE
    KORVID_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    KORVID_SHARED_DATA_DIR="${PROJECT_SOURCE_DIR}/../shared/data"
    KORVID_BINARY_DIR="${PROJECT_BINARY_DIR}")
  if(ARG_WRAPPER)
    add_test(NAME ${name} COMMAND ${ARG_WRAPPER} $<TARGET_FILE:${name}> ${ARG_ARGS})
    if(ARG_LABELS)
      set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
    endif()
  else()
    include(GoogleTest)
    if(ARG_LABELS)
      gtest_discover_tests(${name} PROPERTIES LABELS "${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
    else()
      gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
    endif()
  endif()
endfunction()

# clang-format targets: "format" rewrites, "format-check" fails on any difference.
function(korvid_add_format_targets)
  find_program(CLANG_FORMAT clang-format)
  if(NOT CLANG_FORMAT)
    return()
  endif()
  file(GLOB_RECURSE files CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/src/*.cpp ${PROJECT_SOURCE_DIR}/src/*.h
    ${PROJECT_SOURCE_DIR}/WDL/*.cpp ${PROJECT_SOURCE_DIR}/WDL/*.h
    ${PROJECT_SOURCE_DIR}/FileEncrypt/*.cpp ${PROJECT_SOURCE_DIR}/FileEncrypt/*.h
    ${PROJECT_SOURCE_DIR}/platform/*.cpp ${PROJECT_SOURCE_DIR}/platform/*.h
    ${PROJECT_SOURCE_DIR}/tools/*.cpp ${PROJECT_SOURCE_DIR}/tools/*.h
    ${PROJECT_SOURCE_DIR}/tests/*.cpp ${PROJECT_SOURCE_DIR}/tests/*.h
    ${PROJECT_SOURCE_DIR}/bench/*.cpp ${PROJECT_SOURCE_DIR}/bench/*.h)
  add_custom_target(format COMMAND ${CLANG_FORMAT} -i ${files} VERBATIM)
  add_custom_target(format-check COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files} VERBATIM)
endfunction()

# korvid_add_subfolders(): adds every sub-folder of the current folder that has a CMakeLists.txt, in name order.
function(korvid_add_subfolders)
  file(GLOB children RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT children)
  foreach(child ${children})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()
