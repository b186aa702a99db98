# add_program_resources(<target> <rc file> <icon art> <manifest>)
#
# Gives a Windows program its resources. The icon, drawn as text art (see make_icon.py), becomes
# <art name>.ico in the current binary folder; the resource script names it by that file name
# and includes "shared/version.h" and the manifest by their paths from the repository root. Relative
# paths are taken from the calling CMakeLists.txt's folder. Outside Windows builds it does nothing.
function(add_program_resources target rc_file icon_art manifest)
  if(NOT WIN32)
    return()
  endif()
  find_package(Python3 REQUIRED COMPONENTS Interpreter)

  set(root ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/..)
  cmake_path(ABSOLUTE_PATH root NORMALIZE)
  cmake_path(ABSOLUTE_PATH rc_file BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
  cmake_path(ABSOLUTE_PATH icon_art BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
  cmake_path(ABSOLUTE_PATH manifest BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
  cmake_path(GET icon_art STEM icon_name)
  set(icon ${CMAKE_CURRENT_BINARY_DIR}/${icon_name}.ico)
  set(make_icon ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/make_icon.py)

  add_custom_command(
    OUTPUT ${icon}
    COMMAND ${Python3_EXECUTABLE} ${make_icon} ${icon_art} ${icon}
    DEPENDS ${make_icon} ${icon_art}
    COMMENT "Drawing ${icon_name}.ico"
    VERBATIM)

  # The icon is listed as a source so that the target owns the command that draws it.
  target_sources(${target} PRIVATE ${rc_file} ${icon})
  target_include_directories(${target}
    PRIVATE $<$<COMPILE_LANGUAGE:RC>:${CMAKE_CURRENT_BINARY_DIR}> $<$<COMPILE_LANGUAGE:RC>:${root}>)
  # windres reads the icon and the manifest itself, out of sight of any dependency scan.
  set_source_files_properties(${rc_file} PROPERTIES
    OBJECT_DEPENDS "${icon};${manifest};${root}/shared/version.h")
endfunction()
