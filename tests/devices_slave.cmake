# Device base, slave device and simulated values.
kestrix_add_test(tst_simuldata SOURCES device/tst_simuldata.cpp LABELS device)
