# Serial link and serial parameter store, over socat pty pairs and libmodbus.
kestrix_add_test(tst_portcom SOURCES serial/tst_portcom.cpp common/logcapture.h LABELS serial LIBS kestrix_testpeer TIMEOUT 120)
