# Devices without a wire, bound to real links, the device manager and simulated values.
kestrix_add_test(tst_devices SOURCES device/tst_devices.cpp LABELS device LIBS kestrix_testpeer TIMEOUT 120)
# Our devices against libmodbus and against each other over real links.
kestrix_add_test(tst_interop SOURCES device/tst_interop.cpp LABELS device network LIBS kestrix_testpeer TIMEOUT 180)
