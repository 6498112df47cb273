# Request planning of a master and a slave device polled by a libmodbus client.
add_executable(bench_devices bench_devices.cpp)
target_include_directories(bench_devices PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(bench_devices PRIVATE kestrix_core kestrix_testpeer)
