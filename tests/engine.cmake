# Frame codec and link engine.
kestrix_add_test(tst_codec SOURCES codec/tst_codec.cpp common/codecport.h LABELS codec engine)
kestrix_add_test(tst_portengine SOURCES engine/tst_portengine.cpp common/testport.h LABELS engine TIMEOUT 180)
kestrix_add_test(tst_portasync SOURCES engine/tst_portasync.cpp common/testport.h LABELS engine TIMEOUT 180)
