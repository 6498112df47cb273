# Custom widgets, selection dialogs and the data-configuration dialogs.
kestrix_add_test(tst_controls UI SOURCES controls/tst_controls.cpp common/uidriver.h LABELS controls)
kestrix_add_test(tst_dialogs UI SOURCES controls/tst_dialogs.cpp common/uidriver.h LABELS controls TIMEOUT 60)
