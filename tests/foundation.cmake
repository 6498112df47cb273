# Shared helpers and the look: log, hex text, byte orders, settings table;
# the style sheet.
kestrix_add_test(tst_foundation SOURCES foundation/tst_foundation.cpp LABELS foundation TIMEOUT 60)
kestrix_add_test(tst_look UI SOURCES foundation/tst_look.cpp LABELS foundation)
