# Compiled HTML Help, one file per language: help/<lcid>/ (pages, toc.txt) and
# help/help.css are compiled with chmcmd (Debian package fp-utils) into
# <build>/help/<lcid>.chm and installed as Translation\<lcid>.chm beside the
# program. The program depends on it, so every build that makes the program
# (and so every install) has current help files.
find_program(QZ_CHMCMD chmcmd REQUIRED)
find_program(QZ_PYTHON3 python3 REQUIRED)

set(qz_help_root ${CMAKE_CURRENT_SOURCE_DIR}/help)
set(qz_help_tool ${CMAKE_CURRENT_SOURCE_DIR}/tools/help/build_chm.py)
file(GLOB qz_help_tocs CONFIGURE_DEPENDS ${qz_help_root}/*/toc.txt)

set(qz_help_chms)
foreach(toc ${qz_help_tocs})
  get_filename_component(dir ${toc} DIRECTORY)
  get_filename_component(lang ${dir} NAME)
  file(GLOB pages CONFIGURE_DEPENDS ${dir}/*.htm)
  set(chm ${CMAKE_BINARY_DIR}/help/${lang}.chm)
  add_custom_command(
    OUTPUT ${chm}
    COMMAND ${QZ_PYTHON3} ${qz_help_tool}
            --src ${qz_help_root} --lang ${lang}
            --work ${CMAKE_BINARY_DIR}/help/work-${lang}
            --out ${chm} --chmcmd ${QZ_CHMCMD}
    DEPENDS ${pages} ${toc} ${qz_help_root}/help.css ${qz_help_tool}
    COMMENT "Compiling help ${lang}.chm"
    VERBATIM)
  list(APPEND qz_help_chms ${chm})
endforeach()

add_custom_target(qz_help ALL DEPENDS ${qz_help_chms})
add_dependencies(QuenzalSuite2 qz_help)
install(FILES ${qz_help_chms} DESTINATION ${QZ_INSTALL_SUBDIR}/Translation)
