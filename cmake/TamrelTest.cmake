# tamrel_add_test(<name> SOURCES ... LIBS ... [TIMEOUT s] [LABELS ...] [ENV k=v ...])
# Each test runs through tests/run-isolated.sh, which gives it a fresh HOME and XDG folders,
# so tests can run in parallel and never touch the user's files.
function(tamrel_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt5::Test ${T_LIBS})
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/run-isolated.sh $<TARGET_FILE:${name}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(env "QT_QPA_PLATFORM=offscreen" "TAMREL_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
          "TAMREL_BINARY_DIR=${PROJECT_BINARY_DIR}" ${T_ENV})
  if(TARGET tamrel-devserver)
    list(APPEND env "TAMREL_DEVSERVER=$<TARGET_FILE:tamrel-devserver>")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${env}")
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()
