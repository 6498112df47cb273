# Device data pages: the row rules, the master and slave pages, the data-view manager and the road tests.
kestrix_add_test(tst_datarule SOURCES workspace_data/tst_datarule.cpp LABELS workspace)
