# The link and device management page and the device list.
kestrix_add_test(tst_workspace_mgr UI SOURCES workspace_mgr/tst_workspace_mgr.cpp common/uidriver.h
  LABELS workspace LIBS kestrix_testpeer TIMEOUT 90)
