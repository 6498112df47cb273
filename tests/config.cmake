# Configuration store, value conversion, project file and templates.
kestrix_add_test(tst_cfgconvert SOURCES config/tst_cfgconvert.cpp LABELS config)
kestrix_add_test(tst_cfgstore SOURCES config/tst_cfgstore.cpp LABELS config)
kestrix_add_test(tst_cfgfile SOURCES config/tst_cfgfile.cpp LABELS config)
