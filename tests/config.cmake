# Configuration store, value conversion, project file and templates.
kestrix_add_test(tst_config SOURCES config/tst_config.cpp LABELS config)
