# The Debian package: made with cpack from this build tree into a temporary folder, unpacked, its files
# checked, and the unpacked program started offscreen against the unpacked simulated time clock.
# Needs the whole tree built first (cpack installs what the build made), as every test here does.
find_program(TIMECLOCK_DPKG_DEB dpkg-deb)
if(TIMECLOCK_DPKG_DEB AND CMAKE_CPACK_COMMAND AND TARGET timeclock-setup)
    if(TARGET timeclock-sim)
        set(package_test_sim yes)
    else()
        set(package_test_sim no)
    endif()
    add_test(NAME package_deb
        COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/package_test.sh
            ${CMAKE_CPACK_COMMAND} ${CMAKE_BINARY_DIR}/CPackConfig.cmake ${package_test_sim})
    set_tests_properties(package_deb PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        TIMEOUT 300)
endif()
