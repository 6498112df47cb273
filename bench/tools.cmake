if(NOT KESTRIX_CORE_ONLY)
  add_executable(bench_tools bench_tools.cpp)
  target_link_libraries(bench_tools PRIVATE kestrix_ui)
endif()
