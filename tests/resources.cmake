kestrix_add_test(tst_resources UI
  SOURCES resources/tst_resources.cpp)
