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
# Scenarios that use the sandbox's URL cache share it with the Internet
# Cleaner's tests.
if(TEST e2e_internet_cleaner)
  set_tests_properties(e2e_internet_cleaner PROPERTIES RESOURCE_LOCK "qz_single_instance;qz_urlcache")
endif()
# The driver's own checks of its script language.
add_test(NAME e2e_driver_language COMMAND qzdriver --self-test)
if(TEST test_core)
  set_tests_properties(test_core PROPERTIES RESOURCE_LOCK qz_single_instance)
endif()
# Scenarios that rewrite the installed project.ini, and the tests that read it.
foreach(t e2e_internet_tuner test_cleaning_drive)
  if(TEST ${t})
    set_property(TEST ${t} APPEND PROPERTY RESOURCE_LOCK installed_project_ini)
  endif()
endforeach()
# The Internet Tuner's scenario plants a plug-in's class in HKCR.
if(TEST e2e_internet_tuner)
  set_property(TEST e2e_internet_tuner APPEND PROPERTY RESOURCE_LOCK qz_real_registry)
endif()
# The Registry Cleaner's scenario and its views test plant orphans in the
# real registry of the sandbox and count what a search finds there.
if(TEST test_cleaning_registry_views)
  set_tests_properties(test_cleaning_registry_views PROPERTIES RESOURCE_LOCK qz_real_registry)
endif()
if(TEST e2e_registry_cleaner)
  set_tests_properties(e2e_registry_cleaner PROPERTIES RESOURCE_LOCK "qz_single_instance;qz_real_registry")
endif()
# The DLL Cleaner's scenario plants SharedDLLs, App Paths and KnownDLLs values.
if(TEST e2e_dll_cleaner)
  set_tests_properties(e2e_dll_cleaner PROPERTIES RESOURCE_LOCK "qz_single_instance;qz_real_registry")
endif()
# The One-Click-Optimizer's scenario plants orphans in the real registry and
# entries in the URL cache too.
if(TEST e2e_one_click)
  set_tests_properties(e2e_one_click PROPERTIES RESOURCE_LOCK "qz_single_instance;qz_real_registry;qz_urlcache")
endif()
# The Windows tools' scenario puts a fake chkdsk.exe into system32 for its
# length; the window test counts on there being none.
foreach(t e2e_tuning_tools test_tuning_wintools)
  if(TEST ${t})
    set_property(TEST ${t} APPEND PROPERTY RESOURCE_LOCK qz_system_tools)
  endif()
endforeach()
