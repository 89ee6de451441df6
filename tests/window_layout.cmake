# Layout of the main window: runs uic on app/form1.ui and checks the generated
# Ui::Form1 on a plain QWidget.
#
# uic runs as an explicit custom command (declared output, private folder)
# rather than through AUTOUIC: a .ui outside the test's folder found through
# AUTOUIC_SEARCH_PATHS only reaches the test binary on the second Ninja build
# after an edit, so the test could run against a stale header.
set(window_layout_ui_dir ${CMAKE_CURRENT_BINARY_DIR}/window_layout_ui)
add_custom_command(
    OUTPUT ${window_layout_ui_dir}/ui_form1.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${window_layout_ui_dir}
    COMMAND Qt6::uic -o ${window_layout_ui_dir}/ui_form1.h ${PROJECT_SOURCE_DIR}/app/form1.ui
    DEPENDS ${PROJECT_SOURCE_DIR}/app/form1.ui Qt6::uic
    COMMENT "uic app/form1.ui for tst_window_layout"
    VERBATIM)

timeclock_add_test(tst_window_layout
    SOURCES
        ${CMAKE_CURRENT_SOURCE_DIR}/tst_window_layout.cpp
        ${window_layout_ui_dir}/ui_form1.h
    LIBS timeclock_window)
set_target_properties(tst_window_layout PROPERTIES AUTOUIC OFF AUTOMOC ON)
target_include_directories(tst_window_layout PRIVATE ${window_layout_ui_dir})
