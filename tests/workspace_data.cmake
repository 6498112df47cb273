# Device data pages: the row rules, and the pages in the workspace on real links against libmodbus.
kestrix_add_test(tst_datarule SOURCES workspace_data/tst_datarule.cpp LABELS workspace)
kestrix_add_test(tst_datapage UI SOURCES workspace_data/tst_datapage.cpp common/uidriver.h
                 LABELS workspace network LIBS kestrix_testpeer TIMEOUT 120)
