# Project file of a big plant: save, import and change check.
add_executable(bench_cfgfile ${CMAKE_CURRENT_SOURCE_DIR}/bench_cfgfile.cpp)
target_link_libraries(bench_cfgfile PRIVATE kestrix_core)
