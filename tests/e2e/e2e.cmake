# End-to-end tests: tools/win/qzdriver runs each script tests/e2e/<name>.qzs
# against the product installed in the sandbox (tests/e2e/run.sh). Included
# by the top-level CMakeLists.txt.
#
# The scripts start the real program: one at a time, and not while another
# test holds the program's single-instance mutex ("ZAMO2"; the start-up
# tests of test_core do), hence the shared resource lock.
file(GLOB qz_e2e_scripts CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.qzs)
foreach(script ${qz_e2e_scripts})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e_${name} COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run.sh ${name})
  set_tests_properties(e2e_${name} PROPERTIES
    TIMEOUT 300
    RESOURCE_LOCK qz_single_instance
    SKIP_RETURN_CODE 77
    ENVIRONMENT "QZ_BUILD=${CMAKE_BINARY_DIR}")
endforeach()
# qz_lock(TEST LOCK...): the test also holds these resource locks (when it
# exists in this build).
function(qz_lock test)
  if(TEST ${test})
    set_property(TEST ${test} APPEND PROPERTY RESOURCE_LOCK ${ARGN})
  endif()
endfunction()
# Scenarios that use the sandbox's URL cache share it with the Internet
# Cleaner's tests.
qz_lock(e2e_internet_cleaner qz_urlcache)
# The driver's own checks of its script language.
add_test(NAME e2e_driver_language COMMAND qzdriver --self-test)
qz_lock(test_core qz_single_instance)
# Scenarios that rewrite the installed project.ini, and the tests that read it.
qz_lock(e2e_internet_tuner installed_project_ini)
qz_lock(test_cleaning_drive installed_project_ini)
# The Internet Tuner's scenario plants a plug-in's class in HKCR.
qz_lock(e2e_internet_tuner qz_real_registry)
# The Registry Cleaner's scenario and its views test plant orphans in the
# real registry of the sandbox and count what a search finds there.
qz_lock(test_cleaning_registry_views qz_real_registry)
qz_lock(e2e_registry_cleaner qz_real_registry)
# The DLL Cleaner's scenario plants SharedDLLs, App Paths and KnownDLLs values.
qz_lock(e2e_dll_cleaner qz_real_registry)
# The One-Click-Optimizer's scenario plants orphans in the real registry and
# entries in the URL cache too.
qz_lock(e2e_one_click qz_real_registry qz_urlcache)
# The Windows tools' scenario puts a fake chkdsk.exe into system32 for its
# length; the window test counts on there being none.
qz_lock(e2e_tuning_tools qz_system_tools)
qz_lock(test_tuning_wintools qz_system_tools)
