# The news library's stand-in, brv_inet.dll: a DLL of its own, installed
# beside the program, which loads it at run time (src/shell/news_bridge.h).
# Its nine functions are exported by their plain names (brv_inet.def).
add_library(brv_inet SHARED ${CMAKE_CURRENT_SOURCE_DIR}/src/brv_inet/brv_inet.cpp
                            ${CMAKE_CURRENT_SOURCE_DIR}/src/brv_inet/brv_inet.def)
set_target_properties(brv_inet PROPERTIES PREFIX "" OUTPUT_NAME brv_inet)
target_compile_options(brv_inet PRIVATE ${QZ_WARNINGS})
target_compile_definitions(brv_inet PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_link_libraries(brv_inet PRIVATE user32 advapi32 kernel32)
# Small and quick to load: no debug information.
target_link_options(brv_inet PRIVATE -s)
install(TARGETS brv_inet RUNTIME DESTINATION ${QZ_INSTALL_SUBDIR})
# Whoever builds the program builds the library it installs beside it.
add_dependencies(QuenzalSuite2 brv_inet)
