add_executable(bench_slave bench_slave.cpp ${CMAKE_SOURCE_DIR}/tests/common/valuetable.h)
target_include_directories(bench_slave PRIVATE ${CMAKE_SOURCE_DIR}/tests/common)
target_link_libraries(bench_slave PRIVATE kestrix_core kestrix_testpeer)
