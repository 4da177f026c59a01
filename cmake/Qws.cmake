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

# qws_test(<name> <sources...> [LIBS <libraries...>] [WINDOWS] [LOCKS <resources...>])
# One test program. WINDOWS tests run only under Wine; the others run on every target.
# LOCKS names shared state (the user's registry key, the work folder) that the test changes,
# so that CTest never runs two such tests at once.
function(qws_test name)
  cmake_parse_arguments(arg "WINDOWS" "" "LIBS;LOCKS" ${ARGN})
  if(arg_WINDOWS AND NOT WIN32)
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
  endif()
endfunction()
