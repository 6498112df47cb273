# Network links and their parameter store, over real sockets on loopback.
kestrix_add_test(tst_netparamgr SOURCES netlink/tst_netparamgr.cpp netlink/netlinkutil.h LABELS netlink)
kestrix_add_test(tst_netlinks SOURCES netlink/tst_netlinks.cpp netlink/netlinkutil.h LABELS netlink TIMEOUT 240
                 LIBS kestrix_testpeer)
kestrix_add_test(tst_netpeer SOURCES netlink/tst_netpeer.cpp netlink/netlinkutil.h LABELS netlink TIMEOUT 240
                 LIBS kestrix_testpeer)
# Links against streams that misbehave, over loopback sockets and pty pairs.
kestrix_add_test(tst_linkfaults SOURCES netlink/tst_linkfaults.cpp netlink/slaverig.h LABELS netlink serial
                 LIBS kestrix_testpeer TIMEOUT 180)
# Replies and idle requests leave at once, against libmodbus and plain datagrams.
kestrix_add_test(tst_linkspeed SOURCES netlink/tst_linkspeed.cpp netlink/slaverig.h LABELS netlink serial
                 LIBS kestrix_testpeer TIMEOUT 120)
