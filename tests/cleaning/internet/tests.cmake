# CTest entries of test_cleaning_internet (included by the top-level
# CMakeLists.txt with ${name} and ${dir} set).
#
# The URL cache of the sandbox is shared by these tests, the Internet
# Cleaner's end-to-end scenario and the optimizer's: resource lock
# qz_urlcache. WinINet checks a cache index only when a process first opens
# it, and deleting the History folder leaves the calling process's URL cache
# stale, so the index cases and the real History folder run in processes of
# their own (their tests are DISABLED_ in the main run).
target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tools/win/qzurlcache)

add_test(NAME ${name} COMMAND ${name})
set_tests_properties(${name} PROPERTIES TIMEOUT 600 RESOURCE_LOCK qz_urlcache)

foreach(case IN ITEMS IndexRobustness.DISABLED_NoContainers IndexRobustness.DISABLED_DamagedContentIndex
                      IndexRobustness.DISABLED_ContentIndexHeldExclusively HistoryShell.DISABLED_AnswerYes
                      HistoryShell.DISABLED_AnswerNo)
  string(REPLACE ".DISABLED_" "_" entry "${case}")
  add_test(NAME ${name}_${entry} COMMAND ${name} --gtest_also_run_disabled_tests --gtest_filter=${case})
  set_tests_properties(${name}_${entry} PROPERTIES TIMEOUT 300 RESOURCE_LOCK qz_urlcache)
endforeach()
