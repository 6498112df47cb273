# Monitoring: simulation settings dialog, data curves, frame log, link statistics.
kestrix_add_test(tst_simudata UI SOURCES monitor/tst_simudata.cpp common/uidriver.h LABELS monitor)
kestrix_add_test(tst_linkcurve UI SOURCES monitor/tst_linkcurve.cpp common/uidriver.h LABELS monitor)
kestrix_add_test(tst_linkframe UI SOURCES monitor/tst_linkframe.cpp common/uidriver.h LABELS monitor
  LIBS kestrix_testpeer TIMEOUT 60)
kestrix_add_test(tst_linkcount UI SOURCES monitor/tst_linkcount.cpp common/uidriver.h LABELS monitor)
