# Device base, slave device and simulated values.
kestrix_add_test(tst_simuldata SOURCES device/tst_simuldata.cpp LABELS device)
kestrix_add_test(tst_devicebase SOURCES device/tst_devicebase.cpp common/valuetable.h LABELS device
  LIBS kestrix_testpeer TIMEOUT 120)
kestrix_add_test(tst_deviceslave SOURCES device/tst_deviceslave.cpp common/valuetable.h LABELS device
  LIBS kestrix_testpeer TIMEOUT 180)
