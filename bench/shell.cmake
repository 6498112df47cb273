# Start-up of the whole application with the demo and with a big plant.
if(NOT KESTRIX_CORE_ONLY)
  add_executable(bench_startup bench_startup.cpp)
  target_include_directories(bench_startup PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_compile_definitions(bench_startup PRIVATE KESTRIX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  target_link_libraries(bench_startup PRIVATE kestrix_ui kestrix_testpeer)
endif()
