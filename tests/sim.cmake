# The simulated time clock: its core's unit test, and a fixture that runs timeclock-sim for other tests.

timeclock_add_test(tst_sim_core
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_sim_core.cpp
    LIBS timeclock_sim_core timeclock_sim_picture)

# For tests that need a time clock on the other end of a serial line.
qt_add_library(timeclock_sim_fixture STATIC
    ${CMAKE_CURRENT_LIST_DIR}/sim_fixture.h ${CMAKE_CURRENT_LIST_DIR}/sim_fixture.cpp
)
target_include_directories(timeclock_sim_fixture PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(timeclock_sim_fixture PUBLIC timeclock_sim_process Qt6::Core)
timeclock_target_defaults(timeclock_sim_fixture)

timeclock_add_test(tst_sim_fixture
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_sim_fixture.cpp
    LIBS timeclock_sim_fixture Qt6::Gui)
