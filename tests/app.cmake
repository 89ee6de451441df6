timeclock_add_test(tst_window SOURCES tst_window.cpp LIBS timeclock_window)
timeclock_add_test(tst_operator_habits SOURCES tst_operator_habits.cpp LIBS timeclock_window timeclock_sim_fixture)
timeclock_add_test(tst_logo_preview SOURCES tst_logo_preview.cpp LIBS timeclock_window timeclock_sim_fixture)
# The window reads the sample logo beside its program, here the test; in a folder of its own, so that the
# other tests still start without one.
set_target_properties(tst_logo_preview PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/logo_preview)
add_custom_command(TARGET tst_logo_preview POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/app/bmp.txt $<TARGET_FILE_DIR:tst_logo_preview>/bmp.txt)
timeclock_add_test(tst_window_guards LONG SOURCES tst_window_guards.cpp
    LIBS timeclock_window timeclock_language timeclock_sim_fixture)
# The window's part of a whole site: every mapped port scanned at once, and the site table.
timeclock_add_test(tst_site_window SOURCES tst_site_window.cpp LIBS timeclock_window timeclock_language timeclock_sim_fixture)
target_compile_definitions(tst_site_window PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_site_window timeclock-setup)
