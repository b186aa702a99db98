# use_program_entry(<target>)
#
# Starts a Windows program at shared/program_entry_win32.cpp instead of the MinGW C runtime's
# start-up code, which that file says why. The program's link then leaves out the start-up
# files, and program_entry.ld.in makes it fail if anything needs what only they would have run.
# That script ends in INSERT, so that -T adds it to the linker's own script instead of replacing it.
function(use_program_entry target)
  set(root ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/..)
  set(script ${CMAKE_BINARY_DIR}/program_entry.ld)
  # The lists of constructors have an end mark of one pointer at each end.
  math(EXPR empty_list_bytes "2 * ${CMAKE_SIZEOF_VOID_P}")
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/program_entry.ld.in ${script} @ONLY)
  # 32-bit Windows symbols carry a leading underscore.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _ProgramEntry)
  else()
    set(entry ProgramEntry)
  endif()
  target_sources(${target} PRIVATE ${root}/shared/program_entry_win32.cpp)
  target_link_options(${target} PRIVATE -nostartfiles -Wl,--entry=${entry} -Wl,-T,${script})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${script})
endfunction()
