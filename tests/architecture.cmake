# The rooms and their arrows, read from the source files; the widget headers are the ones Qt Widgets has.
timeclock_add_test(tst_architecture SOURCES tst_architecture.cpp LIBS Qt6::Core)
get_target_property(widgets_include_dirs Qt6::Widgets INTERFACE_INCLUDE_DIRECTORIES)
find_path(qt_widgets_headers QWidget PATHS ${widgets_include_dirs} NO_DEFAULT_PATH NO_CACHE REQUIRED)
target_compile_definitions(tst_architecture PRIVATE TIMECLOCK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    TIMECLOCK_QT_WIDGETS_HEADERS="${qt_widgets_headers}")
