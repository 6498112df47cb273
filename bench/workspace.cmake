# Device data pages: table fill, responsiveness during a cyclic read, slave page service.
if(NOT KESTRIX_CORE_ONLY)
  add_executable(bench_workspace bench_workspace.cpp)
  target_include_directories(bench_workspace PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(bench_workspace PRIVATE kestrix_ui kestrix_testpeer)
endif()
