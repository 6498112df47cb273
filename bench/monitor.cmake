# Frame log, curves and statistics under load (needs widgets, runs offscreen).
if(NOT KESTRIX_CORE_ONLY)
  add_executable(bench_monitor bench_monitor.cpp)
  target_link_libraries(bench_monitor PRIVATE kestrix_ui)
endif()
