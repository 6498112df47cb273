# Frame codec and link engine.
kestrix_add_test(tst_codec SOURCES codec/tst_codec.cpp common/codecport.h LABELS codec engine)
kestrix_add_test(tst_engine SOURCES engine/tst_engine.cpp common/testport.h LABELS engine TIMEOUT 180)
