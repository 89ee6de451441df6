# The command line, run as the program itself against the simulated time clock.
timeclock_add_test(tst_cli SOURCES tst_cli.cpp LIBS timeclock_window timeclock_sim_fixture)
timeclock_add_test(tst_cli_window SOURCES tst_cli_window.cpp LIBS timeclock_window timeclock_sim_fixture)
foreach(test tst_cli tst_cli_window)
    target_compile_definitions(${test} PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>"
        TIMECLOCK_WINDOW_PICTURE="${PROJECT_SOURCE_DIR}/docs/window.png")
    add_dependencies(${test} timeclock-setup)
endforeach()
# The download's progress bar on a terminal, with and without escape sequences.
timeclock_add_test(tst_progress_terminal SOURCES tst_progress_terminal.cpp LIBS timeclock_window timeclock_sim_fixture)
target_compile_definitions(tst_progress_terminal PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
target_link_libraries(tst_progress_terminal PRIVATE util)
add_dependencies(tst_progress_terminal timeclock-setup)
