# Communication calculators and the custom frame sender.
kestrix_add_test(tst_commtools UI SOURCES tools/tst_commtools.cpp common/uidriver.h LABELS tools)
