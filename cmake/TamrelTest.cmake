# tamrel_add_test(<name> SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...] [ENV k=v ...])
# Each test runs through tests/run-isolated.sh, which gives it a fresh HOME and XDG folders,
# so tests can run in parallel and never touch the user's files.
#
# A test on a display with a real window manager (its source includes managerdisplay.h) runs
# once under each manager of TAMREL_TEST_MANAGERS: under the first as <name>, under the others
# as <name>_<manager>.
set(TAMREL_TEST_MANAGERS "openbox;metacity;mutter;kwin" CACHE STRING
    "The window managers the tests of real windows run under")

function(tamrel_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(env "QT_QPA_PLATFORM=offscreen" "TAMREL_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
          "TAMREL_BINARY_DIR=${PROJECT_BINARY_DIR}" ${T_ENV})
  if(TARGET tamrel-devserver)
    list(APPEND env "TAMREL_DEVSERVER=$<TARGET_FILE:tamrel-devserver>")
  endif()

  set(managers "")
  foreach(src ${T_SOURCES})
    file(STRINGS ${src} managed REGEX "#include \"managerdisplay.h\"")
    if(managed)
      set(managers ${TAMREL_TEST_MANAGERS})
    endif()
  endforeach()
  if(NOT managers)
    set(managers "-")
  endif()

  list(GET managers 0 first)
  foreach(manager ${managers})
    set(test ${name})
    set(test_env ${env})
    if(NOT manager STREQUAL "-")
      if(NOT manager STREQUAL first)
        set(test ${name}_${manager})
      endif()
      list(APPEND test_env "TAMREL_TEST_WM=${manager}")
    endif()
    add_test(NAME ${test}
             COMMAND ${PROJECT_SOURCE_DIR}/tests/run-isolated.sh $<TARGET_FILE:${name}>)
    set_tests_properties(${test} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${test_env}")
    if(T_LABELS)
      set_tests_properties(${test} PROPERTIES LABELS "${T_LABELS}")
    endif()
  endforeach()
endfunction()
