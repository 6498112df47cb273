# Master device and device manager.
kestrix_add_test(tst_masterplan SOURCES device/tst_masterplan.cpp LABELS device)
