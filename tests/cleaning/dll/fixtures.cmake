# The DLL Cleaner's fixture libraries, built with the tests from one C file
# and one resource script into ${CMAKE_BINARY_DIR}/dllfx: 64-bit ones with the
# project's tool chain, 32-bit ones with i686-w64-mingw32. Their versions come
# from windres -D (see fixture/qzfx.rc). tests/cleaning/dll/fixtures.sh copies
# them into the sandbox (C:\qztests\bin\dllfx). Included by the top-level
# CMakeLists.txt after the test programs are defined.
find_program(QZ_I686_GCC i686-w64-mingw32-gcc REQUIRED)
find_program(QZ_I686_WINDRES i686-w64-mingw32-windres REQUIRED)

set(qz_dllfx_dir ${CMAKE_BINARY_DIR}/dllfx)
set(qz_dllfx_src ${CMAKE_CURRENT_LIST_DIR}/fixture)
set(qz_dllfx_outputs)

# qz_dll_fixture(<name> <x64|x86> <v1> <v2> <v3> <v4> <dot|comma|build|none>)
function(qz_dll_fixture name arch v1 v2 v3 v4 style)
  if(arch STREQUAL "x86")
    set(cc ${QZ_I686_GCC})
    set(rc ${QZ_I686_WINDRES})
    set(entry -Wl,-e,_DllMain@12)
  else()
    set(cc ${CMAKE_C_COMPILER})
    set(rc ${CMAKE_RC_COMPILER})
    set(entry -Wl,-e,DllMain)
  endif()
  if(style STREQUAL "none")
    set(defs -DQZ_NOVER)
  else()
    set(text 0)
    if(style STREQUAL "comma")
      set(text 1)
    elseif(style STREQUAL "build")
      set(text 2)
    endif()
    set(defs -DQZ_V1=${v1} -DQZ_V2=${v2} -DQZ_V3=${v3} -DQZ_V4=${v4} -DQZ_TEXT=${text})
  endif()
  set(out ${qz_dllfx_dir}/${name}.dll)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${qz_dllfx_dir}
    COMMAND ${rc} ${defs} -O coff -o ${qz_dllfx_dir}/${name}.res ${qz_dllfx_src}/qzfx.rc
    COMMAND ${cc} -O2 -shared -nostdlib ${entry} -o ${out} ${qz_dllfx_src}/qzfx.c ${qz_dllfx_dir}/${name}.res
    DEPENDS ${qz_dllfx_src}/qzfx.c ${qz_dllfx_src}/qzfx.rc
    VERBATIM)
  set(qz_dllfx_outputs ${qz_dllfx_outputs} ${out} PARENT_SCOPE)
endfunction()

qz_dll_fixture(qzfx64_1     x64 1 0 0 0 dot)
qz_dll_fixture(qzfx64_2     x64 2 0 0 0 dot)
qz_dll_fixture(qzfx64_3     x64 3 0 0 0 dot)
qz_dll_fixture(qzfx64_9     x64 9 0 0 0 dot)
qz_dll_fixture(qzfx64_10    x64 10 0 0 0 dot)
qz_dll_fixture(qzfx64_nover x64 0 0 0 0 none)
qz_dll_fixture(qzfx64_comma x64 6 0 2800 1106 comma)
qz_dll_fixture(qzfx64_build x64 4 71 3110 0 build)
qz_dll_fixture(qzfx32_1     x86 1 0 0 0 dot)
qz_dll_fixture(qzfx32_2     x86 2 0 0 0 dot)

add_custom_target(dll_fixtures ALL DEPENDS ${qz_dllfx_outputs})
foreach(t test_cleaning_dll test_cleaning_dll_ui bench_dll qzdriver)
  if(TARGET ${t})
    add_dependencies(${t} dll_fixtures)
  endif()
endforeach()

# The engine's tests plant SharedDLLs, App Paths and KnownDLLs values in the
# real registry, where other cleaners' tests search: one at a time.
if(TEST test_cleaning_dll)
  set_tests_properties(test_cleaning_dll PROPERTIES RESOURCE_LOCK qz_real_registry)
endif()
