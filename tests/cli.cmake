# The command line, run as the program itself against the simulated time clock.
timeclock_add_test(tst_cli SOURCES tst_cli.cpp LIBS timeclock_window timeclock_sim_fixture)
timeclock_add_test(tst_cli_window SOURCES tst_cli_window.cpp LIBS timeclock_window timeclock_sim_fixture)
# The picture's choices in the window, with the command line's --text beside them.
timeclock_add_test(tst_logo_choices SOURCES tst_logo_choices.cpp LIBS timeclock_window timeclock_sim_fixture)
foreach(test tst_cli tst_cli_window tst_logo_choices)
    target_compile_definitions(${test} PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>"
        TIMECLOCK_WINDOW_PICTURE="${PROJECT_SOURCE_DIR}/docs/window.png")
    add_dependencies(${test} timeclock-setup)
endforeach()

# What the command line does with files, words and numbers, and the one JSON shape.
timeclock_add_test(tst_cli_safety LONG SHARES 2 SOURCES tst_cli_safety.cpp LIBS timeclock_window timeclock_sim_fixture timeclock_cli)
target_compile_definitions(tst_cli_safety PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>"
    TIMECLOCK_WINDOW_PICTURE="${PROJECT_SOURCE_DIR}/docs/window.png")
add_dependencies(tst_cli_safety timeclock-setup)

# provision driven through a pseudo-terminal and through a pipe, stopped by signals; its report read by Python.
timeclock_add_test(tst_provision LONG SHARES 3 SOURCES tst_provision.cpp LIBS timeclock_window timeclock_sim_fixture util)
target_compile_definitions(tst_provision PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_provision timeclock-setup)
# Its batches scan the whole line many times over: on a machine busy with builds a share needs more than the
# usual five minutes (a hung run is still ended).
set_tests_properties(tst_provision_1of3 tst_provision_2of3 tst_provision_3of3 PROPERTIES TIMEOUT 600)
# Stop signals caught even when their pipe cannot be made.
timeclock_add_test(tst_stop_signals SOURCES tst_stop_signals.cpp LIBS timeclock_window timeclock_sim_fixture timeclock_cli)
target_compile_definitions(tst_stop_signals PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_stop_signals timeclock-setup)

# The download's progress bar on a terminal, with and without escape sequences.
timeclock_add_test(tst_progress_terminal SOURCES tst_progress_terminal.cpp LIBS timeclock_window timeclock_sim_fixture)
target_compile_definitions(tst_progress_terminal PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
target_link_libraries(tst_progress_terminal PRIVATE util)
add_dependencies(tst_progress_terminal timeclock-setup)

# inventory: the site's table from a history a fixture writes, followed by serial number, offline and over
# simulated lines; the serial each command's history entry names.
timeclock_add_test(tst_inventory SOURCES tst_inventory.cpp LIBS timeclock_sim_process Qt6::Core)
target_compile_definitions(tst_inventory PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_inventory timeclock-setup)

# apply: a profile to several lines side by side, its report, --redo-failed and --only-differing.
timeclock_add_test(tst_apply SHARES 2 SOURCES tst_apply.cpp LIBS timeclock_window timeclock_sim_fixture timeclock_cli)
target_compile_definitions(tst_apply PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_apply timeclock-setup)
