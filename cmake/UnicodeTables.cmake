# Unicode tables generated at build time from the Unicode Character Database (Debian's
# unicode-data) by tools/unicode_tables.cpp, so that the modules need no Unicode library at run
# time: the white-space set in framework/, the case rules of preset names in plugin/.
set(VESSIMOR_UNICODE_DATA_DIR "/usr/share/unicode" CACHE PATH "Folder of UnicodeData.txt and its companions")

# vessimor_unicode_table(<target> <kind> <include path> <UCD files>...)
# Generates <include path> (e.g. framework/x.inc) under the current build folder's generated/
# with the generator's <kind> tables and adds it to <target>'s private include path.
function(vessimor_unicode_table target kind include_path)
  list(TRANSFORM ARGN PREPEND "${VESSIMOR_UNICODE_DATA_DIR}/" OUTPUT_VARIABLE _inputs)
  foreach(_file IN LISTS _inputs)
    if(NOT EXISTS "${_file}")
      message(FATAL_ERROR "${_file} not found: install unicode-data or set VESSIMOR_UNICODE_DATA_DIR")
    endif()
  endforeach()
  set(_output "${CMAKE_CURRENT_BINARY_DIR}/generated/${include_path}")
  get_filename_component(_output_dir "${_output}" DIRECTORY)
  add_custom_command(OUTPUT "${_output}"
                     COMMAND "${CMAKE_COMMAND}" -E make_directory "${_output_dir}"
                     COMMAND vessimor_unicode_tables ${kind} "${_output}" ${_inputs}
                     DEPENDS vessimor_unicode_tables ${_inputs}
                     COMMENT "Generating the Unicode ${kind} tables"
                     VERBATIM)
  target_sources(${target} PRIVATE "${_output}")
  target_include_directories(${target} PRIVATE "${CMAKE_CURRENT_BINARY_DIR}/generated")
endfunction()
