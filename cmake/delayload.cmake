# Delay-loaded system DLLs for the program.
#
# The loader maps every imported DLL before the program's entry runs, and
# under Wine some DLLs take tens of milliseconds each to start. The program
# needs a few of them only late (the file dialogs, the HTTP client), so it
# imports them delay-loaded: the DLL is loaded on the first call into it.
#
# qz_delay_load(<target> <dll>...) makes, for each DLL, an object holding
# delay-import entries for every function of its import library and adds it
# to the target. Linked as an object (not an archive), it answers the calls
# before the ordinary import library is searched, whatever the link order.
set(QZ_DELAYLOAD_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/make_delay_object.cmake)

function(qz_delay_load target)
  get_filename_component(bindir ${CMAKE_CXX_COMPILER} DIRECTORY)
  find_program(QZ_MINGW_NM NAMES x86_64-w64-mingw32-nm HINTS ${bindir} REQUIRED)
  find_program(QZ_MINGW_DLLTOOL NAMES x86_64-w64-mingw32-dlltool HINTS ${bindir} REQUIRED)
  find_program(QZ_MINGW_LD NAMES x86_64-w64-mingw32-ld HINTS ${bindir} REQUIRED)
  foreach(dll IN LISTS ARGN)
    find_library(QZ_IMPLIB_${dll} NAMES lib${dll}.a REQUIRED)
    set(out ${CMAKE_BINARY_DIR}/delayload/${dll}_delay.o)
    add_custom_command(
      OUTPUT ${out}
      COMMAND ${CMAKE_COMMAND} -DNM=${QZ_MINGW_NM} -DDLLTOOL=${QZ_MINGW_DLLTOOL} -DLD=${QZ_MINGW_LD}
              -DIMPLIB=${QZ_IMPLIB_${dll}} -DDLL=${dll} -DOUT=${out} -P ${QZ_DELAYLOAD_SCRIPT}
      DEPENDS ${QZ_IMPLIB_${dll}} ${QZ_DELAYLOAD_SCRIPT}
      COMMENT "Delay-import object for ${dll}.dll"
      VERBATIM)
    set_source_files_properties(${out} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
    target_sources(${target} PRIVATE ${out})
  endforeach()
endfunction()
