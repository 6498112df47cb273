# Communication calculators and the custom frame sender.
kestrix_add_test(tst_commtools UI SOURCES tools/tst_commtools.cpp common/uidriver.h LABELS tools)
kestrix_add_test(tst_selfdef UI SOURCES tools/tst_selfdef.cpp common/uidriver.h LIBS kestrix_testpeer LABELS tools TIMEOUT 120)
