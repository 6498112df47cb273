# Network and serial links on real media: connections, admitted peers, misbehaving streams, the parameter store;
# the speed of replies and of the asynchronous window.
kestrix_add_test(tst_netlinks SOURCES netlink/tst_netlinks.cpp netlink/netrig.h LABELS netlink serial
                 LIBS kestrix_testpeer TIMEOUT 180)
kestrix_add_test(tst_linkspeed SOURCES netlink/tst_linkspeed.cpp netlink/netrig.h LABELS netlink serial
                 LIBS kestrix_testpeer TIMEOUT 180)
