# nabbit_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [X11]
#                 [GUI] [NO_MAIN] [TIMEOUT <seconds>])
#
# Adds one GoogleTest program and registers it with CTest. The shared main (tests/support)
# gives every test program its own temporary HOME and XDG directories, never the real ones,
# and a QCoreApplication (a QApplication with GUI). X11 tests run under xvfb-run with a
# private D-Bus session bus. NO_MAIN leaves main() to the test program.

function(nabbit_add_test name)
    cmake_parse_arguments(ARG "X11;GUI;NO_MAIN" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_NO_MAIN)
        set(main_lib "")
    elseif(ARG_GUI)
        set(main_lib nabbit_test_main_gui)
    else()
        set(main_lib nabbit_test_main)
    endif()
    target_link_libraries(${name} PRIVATE ${main_lib} nabbit_test_support ${ARG_LIBS}
                                          GTest::gtest GTest::gmock)
    # Sanitized programs run several times slower: limits that stand for "at once" stretch.
    if(NABBIT_SANITIZE)
        set(time_scale 3)
    else()
        set(time_scale 1)
    endif()
    target_compile_definitions(${name} PRIVATE
        NABBIT_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        NABBIT_BIN_DIR="${CMAKE_BINARY_DIR}/bin"
        NABBIT_TEST_TIME_SCALE=${time_scale})
    set(labels ${ARG_LABELS})
    if(ARG_X11)
        list(APPEND labels x11)
        add_test(NAME ${name}
                 COMMAND xvfb-run -a -s "-screen 0 1280x800x24 -noreset" dbus-run-session --
                         $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS "${labels}" TIMEOUT ${ARG_TIMEOUT})
endfunction()
