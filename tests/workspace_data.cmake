# Device data pages: the row rules, the master and slave pages, the data-view manager and the road tests.
kestrix_add_test(tst_datarule SOURCES workspace_data/tst_datarule.cpp LABELS workspace)
kestrix_add_test(tst_datapage UI SOURCES workspace_data/tst_datapage.cpp workspace_data/pagedriver.h common/uidriver.h
                 LABELS workspace TIMEOUT 120)
kestrix_add_test(tst_dataroad UI SOURCES workspace_data/tst_dataroad.cpp workspace_data/pagedriver.h common/uidriver.h
                 LABELS workspace network LIBS kestrix_testpeer TIMEOUT 120)
