# Loopback servers for the Windows tests, as CTest fixtures (test_servers.sh does the work).
#   qws_test_server(<name> [server options...])   fixture qws_server_<name>
#   qws_test_proxy(<name>)                         fixture qws_proxy_<name> (tinyproxy)
#   qws_test_uses_servers(<test> <fixture>...)     the test starts after them; it finds each
#       server's folder (port file, content folder) as %QWS_TEST_SERVERS%\<name>
set(QWS_TEST_SERVERS "${PROJECT_BINARY_DIR}/test-servers")
set(QWS_TEST_SERVERS_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/test_servers.sh")

function(qws_test_server name)
  if(NOT WIN32 OR NOT QWS_RUN_TESTS OR QWS_FUZZ OR QWS_BENCH)
    return()
  endif()
  set(dir "${QWS_TEST_SERVERS}/${name}")
  add_test(NAME qws_server_${name}_start
           COMMAND "${QWS_TEST_SERVERS_SCRIPT}" start "${dir}" "${QWS_HOST_BUILD_DIR}/bin/qws-server" ${ARGN})
  add_test(NAME qws_server_${name}_stop COMMAND "${QWS_TEST_SERVERS_SCRIPT}" stop "${dir}")
  set_tests_properties(qws_server_${name}_start PROPERTIES FIXTURES_SETUP qws_server_${name})
  set_tests_properties(qws_server_${name}_stop PROPERTIES FIXTURES_CLEANUP qws_server_${name})
endfunction()

function(qws_test_proxy name)
  if(NOT WIN32 OR NOT QWS_RUN_TESTS OR QWS_FUZZ OR QWS_BENCH)
    return()
  endif()
  set(dir "${QWS_TEST_SERVERS}/${name}")
  add_test(NAME qws_proxy_${name}_start COMMAND "${QWS_TEST_SERVERS_SCRIPT}" proxy "${dir}")
  add_test(NAME qws_proxy_${name}_stop COMMAND "${QWS_TEST_SERVERS_SCRIPT}" stop "${dir}")
  set_tests_properties(qws_proxy_${name}_start PROPERTIES FIXTURES_SETUP qws_proxy_${name})
  set_tests_properties(qws_proxy_${name}_stop PROPERTIES FIXTURES_CLEANUP qws_proxy_${name})
endfunction()

function(qws_test_uses_servers test)
  if(NOT TEST ${test})
    return()
  endif()
  set_tests_properties(${test} PROPERTIES FIXTURES_REQUIRED "${ARGN}"
                       ENVIRONMENT "QWS_TEST_SERVERS=${QWS_TEST_SERVERS}")
endfunction()
