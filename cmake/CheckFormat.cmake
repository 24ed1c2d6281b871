# Fails when a source file differs from what clang-format makes of it.
file(GLOB_RECURSE sources
  ${ROOT}/src/*.h ${ROOT}/src/*.cpp ${ROOT}/cli/*.h ${ROOT}/cli/*.cpp
  ${ROOT}/tools/*.h ${ROOT}/tools/*.cpp ${ROOT}/tests/*.h ${ROOT}/tests/*.cpp
  ${ROOT}/bench/*.cpp ${ROOT}/fuzz/*.cpp)
execute_process(COMMAND ${CLANG_FORMAT} --dry-run -Werror ${sources}
  RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Run clang-format -i on these:\n${errors}")
endif()
