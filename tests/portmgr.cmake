# Link manager over serial pty pairs and loopback network links.
kestrix_add_test(tst_portmgr SOURCES portmgr/tst_portmgr.cpp common/logcapture.h LABELS portmgr LIBS kestrix_testpeer TIMEOUT 150)
