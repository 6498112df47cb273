# Master device and device manager.
kestrix_add_test(tst_masterplan SOURCES device/tst_masterplan.cpp LABELS device)
kestrix_add_test(tst_masterslave SOURCES device/tst_masterslave.cpp device/devicefixture.h LABELS device
  TIMEOUT 240 LIBS kestrix_testpeer)
kestrix_add_test(tst_masterpeer SOURCES device/tst_masterpeer.cpp device/devicefixture.h LABELS device
  TIMEOUT 240 LIBS kestrix_testpeer)
kestrix_add_test(tst_devicemgr SOURCES device/tst_devicemgr.cpp device/devicefixture.h LABELS device
  TIMEOUT 120 LIBS kestrix_testpeer)
