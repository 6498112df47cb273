# Serial link and its parameter store over socat pty pairs; the link manager with serial and loopback links.
kestrix_add_test(tst_portmgr SOURCES portmgr/tst_portmgr.cpp LABELS portmgr serial LIBS kestrix_testpeer TIMEOUT 150)
