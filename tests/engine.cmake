# Frame codec and link engine.
kestrix_add_test(tst_codec SOURCES codec/tst_codec.cpp common/codecport.h LABELS codec engine)
