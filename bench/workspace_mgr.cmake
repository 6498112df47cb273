# Rebuilding the link table of the management page.
if(NOT KESTRIX_CORE_ONLY)
  add_executable(bench_workspace_mgr bench_workspace_mgr.cpp)
  target_link_libraries(bench_workspace_mgr PRIVATE kestrix_ui)
endif()
