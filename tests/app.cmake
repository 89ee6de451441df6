timeclock_add_test(tst_window SOURCES tst_window.cpp LIBS timeclock_window)
