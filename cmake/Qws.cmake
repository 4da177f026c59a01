# Helpers shared by every folder's build file.

# Compile settings of all project code: the source root on the include path, the generated
# headers, wide Windows API, Windows 7 as the oldest target.
add_library(qws_options INTERFACE)
target_include_directories(qws_options INTERFACE "${PROJECT_SOURCE_DIR}" "${PROJECT_BINARY_DIR}/generated")
target_compile_features(qws_options INTERFACE cxx_std_20)
if(WIN32)
  target_compile_definitions(qws_options INTERFACE UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
                             WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0800)
endif()

function(qws_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow
                         $<$<BOOL:${QWS_WERROR}>:-Werror>)
endfunction()

# qws_library(<name> [NEUTRAL] SOURCES <files...> [LIBS <libraries...>])
# NEUTRAL libraries build for every target, the host included; the others only for Windows.
function(qws_library name)
  cmake_parse_arguments(arg "NEUTRAL" "" "SOURCES;LIBS" ${ARGN})
  if(NOT arg_NEUTRAL AND NOT WIN32)
    return()
  endif()
  add_library(${name} STATIC ${arg_SOURCES})
  target_link_libraries(${name} PUBLIC qws_options ${arg_LIBS})
  qws_warnings(${name})
endfunction()

# The CTest fixture "qws_server": qws-server of the host build on 127.0.0.1, on a free port,
# serving the host build's content folder; started before the first test that needs it and
# stopped after the last. Such a test reads the port from the file named by the environment
# variable QWS_TEST_SERVER_PORT_FILE (a Unix path; under Wine it is Z: + the path).
function(qws_server_fixture)
  get_property(defined GLOBAL PROPERTY QWS_SERVER_FIXTURE_DEFINED)
  if(defined)
    return()
  endif()
  set_property(GLOBAL PROPERTY QWS_SERVER_FIXTURE_DEFINED ON)
  set(state "${PROJECT_BINARY_DIR}/test-server")
  set(script "${PROJECT_SOURCE_DIR}/cmake/qws_server_fixture.sh")
  add_test(NAME qws_server_start COMMAND "${script}" start "${QWS_HOST_BUILD_DIR}/bin/qws-server"
           "${QWS_HOST_BUILD_DIR}/content" "${state}")
  add_test(NAME qws_server_stop COMMAND "${script}" stop "${state}")
  set_tests_properties(qws_server_start PROPERTIES FIXTURES_SETUP qws_server TIMEOUT 30)
  set_tests_properties(qws_server_stop PROPERTIES FIXTURES_CLEANUP qws_server TIMEOUT 30)
  set_property(GLOBAL PROPERTY QWS_SERVER_PORT_FILE "${state}/port")
endfunction()

# qws_test(<name> <sources...> [LIBS <libraries...>] [WINDOWS] [SERVER] [LOCKS <resources...>])
# One test program. WINDOWS tests run only under Wine; the others run on every target.
# SERVER tests run with the qws_server fixture (above).
# LOCKS names shared state (the user's registry key, the work folder) that the test changes,
# so that CTest never runs two such tests at once.
function(qws_test name)
  cmake_parse_arguments(arg "WINDOWS;SERVER" "" "LIBS;LOCKS" ${ARGN})
  if((arg_WINDOWS AND NOT WIN32) OR QWS_FUZZ OR QWS_BENCH)
    return()
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE qws_options ${arg_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  qws_warnings(${name})
  if(QWS_RUN_TESTS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
    if(arg_LOCKS)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${arg_LOCKS}")
    endif()
    if(arg_SERVER)
      qws_server_fixture()
      get_property(port_file GLOBAL PROPERTY QWS_SERVER_PORT_FILE)
      set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED qws_server
                           ENVIRONMENT "QWS_TEST_SERVER_PORT_FILE=${port_file}")
    endif()
  endif()
endfunction()

# qws_fuzz(<name> <sources...> [LIBS <libraries...>])
# A libFuzzer target (host, clang). CTest runs it for QWS_FUZZ_SECONDS on the corpus folder
# tests/<area>/corpus/<name> when there is one; scripts/fuzz.sh runs it longer.
function(qws_fuzz name)
  cmake_parse_arguments(arg "" "" "LIBS" ${ARGN})
  if(NOT QWS_FUZZ)
    return()
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE qws_options ${arg_LIBS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus "${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name}")
  set(work "${PROJECT_BINARY_DIR}/fuzz-corpus/${name}")
  file(MAKE_DIRECTORY "${work}")
  set(dirs "${work}")
  if(EXISTS "${corpus}")
    list(APPEND dirs "${corpus}")
  endif()
  add_test(NAME ${name} COMMAND ${name} -max_total_time=${QWS_FUZZ_SECONDS} -timeout=10
           -rss_limit_mb=2048 -print_final_stats=0 ${dirs})
  set_tests_properties(${name} PROPERTIES TIMEOUT 120 LABELS fuzz)
endfunction()

# qws_bench(<name> <sources...> [LIBS <libraries...>]): a benchmark that prints its figures.
function(qws_bench name)
  cmake_parse_arguments(arg "" "" "LIBS" ${ARGN})
  if(NOT QWS_BENCH)
    return()
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE qws_options ${arg_LIBS})
endfunction()

# qws_tool(<name> <sources...> [LIBS <libraries...>]): a host program of the build (generators,
# signing, packing). Built in the host build only.
function(qws_tool name)
  cmake_parse_arguments(arg "" "" "LIBS" ${ARGN})
  if(WIN32 OR QWS_FUZZ OR QWS_BENCH)
    return()
  endif()
  add_executable(${name} ${arg_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE qws_options ${arg_LIBS})
  qws_warnings(${name})
endfunction()
