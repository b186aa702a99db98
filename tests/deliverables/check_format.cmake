# cmake -DCLANG_FORMAT=<clang-format> -DSOURCE_DIR=<repository> -P check_format.cmake
# Fails when any C++ source or header of the programs or their tests differs from .clang-format.
# The files are listed when the test runs, so that new files are checked without reconfiguring.
set(files)
foreach(folder shared lock editor tests)
  file(GLOB_RECURSE found LIST_DIRECTORIES false
    ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
  list(APPEND files ${found})
endforeach()
list(SORT files)
list(LENGTH files count)
if(count EQUAL 0)
  message(FATAL_ERROR "No C++ files found under ${SOURCE_DIR}")
endif()
execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror ${files} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Not formatted as .clang-format says; run: clang-format -i <file>")
endif()
message(STATUS "${count} files formatted as .clang-format says")
