# Shared compile settings for every target of the project.
function(zv_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wshadow=local)
  endif()
  if(ZV_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# zv_add_library(<name> [QT] [GST] SOURCES ...): one static library per source folder.
function(zv_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  zv_target_defaults(${name})
endfunction()

# zv_add_test(<name> [QT_MAIN] SOURCES ... DEPS ... [LABELS ...]): one GoogleTest binary per
# source folder.
# Every test carries one label: "unit" unless another is given ("e2e" for whole-program runs,
# "threads" for tests with streaming threads, which also run under ThreadSanitizer). One label
# only: test discovery cannot carry a list.
function(zv_add_test name)
  cmake_parse_arguments(ARG "QT_MAIN;MEDIA" "TIMEOUT" "SOURCES;DEPS;LABELS;ENV" ${ARGN})
  if(ARG_QT_MAIN)
    # Tests of widgets and events run inside a QApplication (offscreen).
    add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/qt_test_main.cpp)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Widgets GTest::gtest GTest::gmock)
  else()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  zv_target_defaults(${name})
  if(NOT ARG_LABELS)
    set(ARG_LABELS unit)
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  set(fixtures "")
  if(ARG_MEDIA)
    set(fixtures media)
  endif()
  # Tests never touch a sound device: they play into fakeaudiosink unless they say otherwise.
  # GLib's slice allocator recycles memory behind the thread sanitizer's back (a buffer freed on
  # one streaming thread and handed out again on another looks like a race); plain malloc it sees.
  # Texts that follow the user's locale (decimal separators) are pinned to C.UTF-8.
  set(env G_SLICE=always-malloc LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen ZV_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data ZV_TEST_MEDIA=${ZV_TEST_MEDIA}
          GST_REGISTRY=${CMAKE_BINARY_DIR}/gst-registry.bin "ZELVAR_AUDIO_SINK=fakeaudiosink sync=true"
          TSAN_OPTIONS=suppressions=${CMAKE_BINARY_DIR}/tsan.supp:halt_on_error=1
          LSAN_OPTIONS=suppressions=${CMAKE_BINARY_DIR}/lsan.supp ${ARG_ENV})
  # gtest_discover_tests cannot carry a list of variables through its ENVIRONMENT property, so the
  # tests run under env(1) instead, as an emulator would run them.
  set_target_properties(${name} PROPERTIES CROSSCOMPILING_EMULATOR "/usr/bin/env;${env}")
  # Nor a list of labels: "unit;threads" would arrive as the label "unit" and a stray property
  # name. Such a test gets the one label "unit,threads", which `ctest -L unit`, `-L threads` and
  # `-L "unit|threads"` all select (the label is matched as a regular expression).
  string(REPLACE ";" "," labels "${ARG_LABELS}")
  gtest_discover_tests(${name}
    PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT} FIXTURES_REQUIRED "${fixtures}"
    DISCOVERY_TIMEOUT 60)
endfunction()
