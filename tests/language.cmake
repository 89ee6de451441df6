# The program's languages: the window in each language, and the translations' completeness.
if(TARGET timeclock_sim_fixture)
    timeclock_add_test(tst_language SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_language.cpp
        LIBS timeclock_window timeclock_cli timeclock_language timeclock_sim_fixture)
    # The captions once more at 150 %, as on a Windows PC set to that scale.
    add_test(NAME tst_language_150 COMMAND tst_language captionsFitTheirControls)
    get_test_property(tst_language ENVIRONMENT language_environment)
    set_tests_properties(tst_language_150 PROPERTIES ENVIRONMENT "${language_environment};QT_SCALE_FACTOR=1.5" TIMEOUT 300)
endif()

find_package(Qt6 REQUIRED COMPONENTS LinguistTools)

# lupdate reads the sources as they are now into a copy of each .ts file; every text must come out with a
# finished English and Traditional Chinese translation, the latter without a simplified character (opencc).
timeclock_add_test(tst_language_catalogue SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_language_catalogue.cpp
    LIBS Qt6::Core)
# The list of sources, one a line, as lupdate reads it with @FILE.
list(JOIN TIMECLOCK_TRANSLATED_SOURCES "\n" catalogue_sources)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/translated_sources.txt "${catalogue_sources}\n")
target_compile_definitions(tst_language_catalogue PRIVATE
    LUPDATE_PROGRAM="$<TARGET_FILE:Qt6::lupdate>"
    ENGLISH_TS="${TIMECLOCK_ENGLISH_TS}"
    TRADITIONAL_TS="${TIMECLOCK_TRADITIONAL_TS}"
    TRANSLATED_SOURCES_LIST="${CMAKE_CURRENT_BINARY_DIR}/translated_sources.txt")

timeclock_add_test(tst_accessibility SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_accessibility.cpp
    LIBS timeclock_window timeclock_language)
target_compile_definitions(tst_accessibility PRIVATE PACKAGED_ICON="${PROJECT_SOURCE_DIR}/packaging/timeclock-setup.png")
