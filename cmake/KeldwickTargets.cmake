# Shared compile settings and the helpers every folder uses to declare its targets.

set(KELDWICK_WARNINGS -Wall -Wextra -Wpedantic)
if(KELDWICK_WERROR)
  list(APPEND KELDWICK_WARNINGS -Werror)
endif()

if(KELDWICK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(KELDWICK_ORDER_HOT_PATH)
  # The functions every call runs sit side by side (cmake/hot-path.order, written by
  # scripts/order-hot-path.sh), so that a call spans as few code pages as it can. Needs gold; a
  # build without it links as usual.
  include(CheckLinkerFlag)
  set(KELDWICK_HOT_PATH_ORDER ${CMAKE_CURRENT_LIST_DIR}/hot-path.order)
  check_linker_flag(CXX "-fuse-ld=gold;LINKER:--section-ordering-file,${KELDWICK_HOT_PATH_ORDER}"
                    KELDWICK_LINKER_ORDERS_SECTIONS)
  if(KELDWICK_LINKER_ORDERS_SECTIONS)
    add_compile_options(-ffunction-sections)
    add_link_options(-fuse-ld=gold "LINKER:--section-ordering-file,${KELDWICK_HOT_PATH_ORDER}")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${KELDWICK_HOT_PATH_ORDER})
  else()
    message(STATUS "The gold linker is missing: functions keep the compiler's order")
  endif()
endif()
if(KELDWICK_FUZZ)
  # Coverage feedback for every library the fuzz targets link.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# Adds DIR when it has a CMakeLists.txt; otherwise looks for one in each subfolder, at any depth.
function(keldwick_add_subdirectories dir)
  set(base ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
  if(NOT IS_DIRECTORY ${base})
    return()
  endif()
  if(EXISTS ${base}/CMakeLists.txt)
    add_subdirectory(${dir})
    return()
  endif()
  file(GLOB children RELATIVE ${base} LIST_DIRECTORIES true CONFIGURE_DEPENDS ${base}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${base}/${child})
      keldwick_add_subdirectories(${dir}/${child})
    endif()
  endforeach()
endfunction()

# keldwick_library(NAME [QT] SOURCES ... [LIBS ...]): a static library of the project with the
# project's warnings; its folder's parent is on the include path so includes read "layer/File.h".
function(keldwick_library name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${KELDWICK_WARNINGS})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform)
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  if(ARG_LIBS)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
  endif()
endfunction()

# keldwick_test(NAME [QT | QT_GUI | QT_WIDGETS] SOURCES ... LIBS ...): a GoogleTest program
# registered with CTest. QT means the sources bring their own main; QT_GUI and QT_WIDGETS give the
# shared main that makes a Qt Gui or Qt Widgets application first. GUI code runs on Qt's offscreen
# platform so tests need no display.
function(keldwick_test name)
  cmake_parse_arguments(ARG "QT;QT_GUI;QT_WIDGETS" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT_GUI)
    set(ARG_QT ON)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/QtGuiTestMain.cpp)
    target_link_libraries(${name} PRIVATE Qt6::Gui)
  elseif(ARG_QT_WIDGETS)
    set(ARG_QT ON)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/QtWidgetsTestMain.cpp)
    target_link_libraries(${name} PRIVATE Qt6::Widgets)
  endif()
  target_compile_options(${name} PRIVATE ${KELDWICK_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform
                                             ${PROJECT_SOURCE_DIR}/tests)
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  if(NOT ARG_QT)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_compile_definitions(${name} PRIVATE
    KELDWICK_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KELDWICK_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/lsan.supp:print_suppressions=0"
               TIMEOUT 120)
endfunction()

# keldwick_benchmark(NAME [QT] SOURCES ... LIBS ...): a Google Benchmark program; never a pass/fail
# test. QT gives it a main that starts Qt Gui on the offscreen platform first.
function(keldwick_benchmark name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_QT)
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/bench/QtBenchMain.cpp)
    target_link_libraries(${name} PRIVATE Qt6::Gui)
  endif()
  target_compile_options(${name} PRIVATE ${KELDWICK_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()

# keldwick_fuzzer(NAME SOURCES ... LIBS ... CORPUS dir): with KELDWICK_FUZZ a libFuzzer program;
# otherwise the same entry point linked to a replay driver and registered as a test that feeds it
# every file of the committed corpus, so the corpus is checked on every ordinary test run.
function(keldwick_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${KELDWICK_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  if(KELDWICK_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/fuzz/ReplayMain.cpp)
    if(KELDWICK_TESTS)
      add_test(NAME ${name}.corpus COMMAND ${name} ${ARG_CORPUS})
      set_tests_properties(${name}.corpus PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 300)
    endif()
  endif()
endfunction()
