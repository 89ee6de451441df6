timeclock_add_test(tst_window SOURCES tst_window.cpp LIBS timeclock_window)
timeclock_add_test(tst_bad_input SOURCES tst_bad_input.cpp LIBS timeclock_window)
