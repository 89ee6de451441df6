timeclock_add_test(tst_end_to_end SOURCES tst_end_to_end.cpp LIBS timeclock_window timeclock_sim_fixture)
timeclock_add_test(tst_fault_matrix LONG SHARES 2 SOURCES tst_fault_matrix.cpp LIBS timeclock_window timeclock_sim_fixture)
# The rows are one table, which the Windows check reads too.
target_compile_definitions(tst_fault_matrix PRIVATE FAULT_MATRIX_PATH="${CMAKE_CURRENT_SOURCE_DIR}/fault_matrix.tsv"
    TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_fault_matrix timeclock-setup)
timeclock_add_test(tst_port_faults SOURCES tst_port_faults.cpp LIBS timeclock_window timeclock_sim_fixture)
target_compile_definitions(tst_port_faults PRIVATE TIMECLOCK_SETUP_PATH="$<TARGET_FILE:timeclock-setup>")
add_dependencies(tst_port_faults timeclock-setup)
timeclock_add_test(tst_bad_input SOURCES tst_bad_input.cpp LIBS timeclock_window timeclock_sim_fixture)
timeclock_add_test(tst_exchange SOURCES tst_exchange.cpp LIBS timeclock_window timeclock_sim_fixture)
