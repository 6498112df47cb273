# Shared helpers and the look: log, hex text, byte orders, settings table, serial port list;
# dialog seams, images and style sheet.
kestrix_add_test(tst_foundation SOURCES foundation/tst_foundation.cpp LABELS foundation serial LIBS kestrix_testpeer TIMEOUT 60)
kestrix_add_test(tst_look UI SOURCES foundation/tst_look.cpp LABELS foundation)
