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

# Loopback servers for tests, as CTest fixtures that cmake/qws_server_fixture.sh starts and
# stops. Each has a folder of its own, <build>/test-servers/<name>, holding its port file "port",
# its log and, for qws-server, its query database "query.sqlite". A fixture is added to CTest
# only when a test needs it, and is then started before the first such test and stopped after
# the last.
#
#   qws_test_server(<name> [CONTENT <folder>] [OPTIONS <qws-server options>...])
#       qws-server on a free port, serving <folder>, or else the empty folder "content" of its
#       own that the tests fill.
#   qws_test_proxy(<name>)
#       tinyproxy on a free port; it logs the requests it carries to "tinyproxy.log".
#
# A test names the servers it uses with qws_test(... SERVERS <names>...) and finds each folder as
# %QWS_TEST_SERVERS%\<name> (a Unix path; under Wine it is Z: + the path).
# qws_test(... SERVER ...) is the shortcut for the shared server of the host build's content
# folder, fixture "qws_server": such a test reads the port from the file named by the
# environment variable QWS_TEST_SERVER_PORT_FILE.
set(QWS_TEST_SERVERS "${PROJECT_BINARY_DIR}/test-servers")
set(QWS_TEST_SERVER_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/qws_server_fixture.sh")

function(qws_test_server name)
  cmake_parse_arguments(arg "" "CONTENT" "OPTIONS" ${ARGN})
  set(content "${arg_CONTENT}")
  if(NOT content)
    set(content "-")
  endif()
  set_property(GLOBAL PROPERTY QWS_TEST_SERVER_${name}
               start "${QWS_HOST_BUILD_DIR}/bin/qws-server" "${content}" ${arg_OPTIONS})
endfunction()

function(qws_test_proxy name)
  set_property(GLOBAL PROPERTY QWS_TEST_SERVER_${name} proxy)
endfunction()

# The fixture of server <name>, added to CTest on first use; its name goes to <fixture_var>.
function(qws_use_test_server name fixture_var)
  if(name STREQUAL "shared")
    qws_test_server(shared CONTENT "${QWS_HOST_BUILD_DIR}/content")
  endif()
  get_property(definition GLOBAL PROPERTY QWS_TEST_SERVER_${name})
  if(NOT definition)
    message(FATAL_ERROR "no test server named ${name}: declare it with qws_test_server or qws_test_proxy")
  endif()
  list(POP_FRONT definition action)
  if(name STREQUAL "shared")
    set(fixture qws_server)
  elseif(action STREQUAL "proxy")
    set(fixture qws_proxy_${name})
  else()
    set(fixture qws_server_${name})
  endif()
  set(${fixture_var} ${fixture} PARENT_SCOPE)
  # Once for the whole tree: a second start test in another directory would restart the
  # server under the tests of the first.
  get_property(added GLOBAL PROPERTY QWS_TEST_SERVER_ADDED_${fixture})
  if(added)
    return()
  endif()
  set_property(GLOBAL PROPERTY QWS_TEST_SERVER_ADDED_${fixture} TRUE)
  set(folder "${QWS_TEST_SERVERS}/${name}")
  add_test(NAME ${fixture}_start COMMAND "${QWS_TEST_SERVER_SCRIPT}" ${action} "${folder}" ${definition})
  add_test(NAME ${fixture}_stop COMMAND "${QWS_TEST_SERVER_SCRIPT}" stop "${folder}")
  set_tests_properties(${fixture}_start PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 30)
  set_tests_properties(${fixture}_stop PROPERTIES FIXTURES_CLEANUP ${fixture} TIMEOUT 30)
endfunction()

# Makes test <test> (any CTest test, a script too) start after the named servers.
function(qws_test_uses_servers test)
  set(fixtures)
  foreach(name ${ARGN})
    qws_use_test_server(${name} fixture)
    list(APPEND fixtures ${fixture})
  endforeach()
  set(environment "QWS_TEST_SERVERS=${QWS_TEST_SERVERS}")
  if("shared" IN_LIST ARGN)
    list(APPEND environment "QWS_TEST_SERVER_PORT_FILE=${QWS_TEST_SERVERS}/shared/port")
  endif()
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED "${fixtures}" ENVIRONMENT "${environment}")
endfunction()

# qws_test(<name> <sources...> [LIBS <libraries...>] [WINDOWS] [SERVER] [SERVERS <names...>]
#          [LOCKS <resources...>])
# One test program. WINDOWS tests run only under Wine; the others run on every target.
# SERVER and SERVERS: the test servers it uses (above).
# LOCKS names shared state (the user's registry key, the work folder) that the test changes,
# so that CTest never runs two such tests at once.
function(qws_test name)
  cmake_parse_arguments(arg "WINDOWS;SERVER" "" "LIBS;LOCKS;SERVERS" ${ARGN})
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
    set(servers ${arg_SERVERS})
    if(arg_SERVER)
      list(APPEND servers shared)
    endif()
    if(servers)
      qws_test_uses_servers(${name} ${servers})
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
