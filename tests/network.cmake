timeclock_add_test(tst_telnet_codec SOURCES tst_telnet_codec.cpp LIBS timeclock_link)
timeclock_add_test(tst_network_address SOURCES tst_network_address.cpp LIBS timeclock_link)
# The names of one line, and the answers asked of it under each.
timeclock_add_test(tst_line_identity SOURCES tst_line_identity.cpp LIBS timeclock_records)
if(TIMECLOCK_HAVE_OPENPTY)
    # Through a real ser2net started by the test in front of the simulator; skipped where ser2net is missing.
    timeclock_add_test(tst_network_line LONG SOURCES tst_network_line.cpp LIBS timeclock_commands timeclock_logo timeclock_sim_fixture)
    # pyserial's RFC 2217 server side, the other serial server the tests run against.
    target_compile_definitions(tst_network_line PRIVATE RFC2217_BRIDGE_PATH="${CMAKE_CURRENT_SOURCE_DIR}/rfc2217_bridge.py")
endif()
