# Ports, finding terminals on a line, several terminals on one line, and the history of commands.
timeclock_add_test(tst_sim_bus SOURCES tst_sim_bus.cpp LIBS timeclock_sim_core)
timeclock_add_test(tst_machine_scan LONG SHARES 3 SOURCES tst_machine_scan.cpp LIBS timeclock_window timeclock_sim_fixture timeclock_cli)
target_compile_definitions(tst_machine_scan PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_machine_scan timeclock-setup)
timeclock_add_test(tst_first_contact_window SOURCES tst_first_contact_window.cpp LIBS timeclock_window timeclock_sim_fixture)
# Several lines scanned side by side, against one simulator serving several lines.
timeclock_add_test(tst_site_scan SOURCES tst_site_scan.cpp LIBS timeclock_window timeclock_sim_fixture timeclock_cli)
target_compile_definitions(tst_site_scan PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_site_scan timeclock-setup)
