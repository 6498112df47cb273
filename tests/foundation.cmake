kestrix_add_test(tst_applog SOURCES foundation/tst_applog.cpp LABELS foundation)
kestrix_add_test(tst_commonfunc SOURCES foundation/tst_commonfunc.cpp LABELS foundation)
kestrix_add_test(tst_csvtable SOURCES foundation/tst_csvtable.cpp LABELS foundation)
kestrix_add_test(tst_uiutils UI SOURCES foundation/tst_uiutils.cpp LABELS foundation)
