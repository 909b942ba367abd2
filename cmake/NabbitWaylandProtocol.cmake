# nabbit_wayland_protocol(<target> <xml>)
#
# Generates the client code of a Wayland protocol definition (wayland-scanner client-header and
# private-code) at build time and adds it to <target>, which can then include
# "<xml name>-client-protocol.h". Links libwayland-client. Debian 12's wayland-protocols lacks
# several protocols Nabbit speaks, so their definitions live in the tree beside the code.
enable_language(C)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
pkg_check_modules(WAYLAND_CLIENT REQUIRED IMPORTED_TARGET wayland-client)

function(nabbit_wayland_protocol target xml)
    get_filename_component(xml ${xml} ABSOLUTE)
    get_filename_component(name ${xml} NAME_WE)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/wayland-protocols)
    set(header ${dir}/${name}-client-protocol.h)
    set(code ${dir}/${name}-protocol.c)
    add_custom_command(
        OUTPUT ${header}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${WAYLAND_SCANNER} client-header ${xml} ${header}
        DEPENDS ${xml}
        COMMENT "Generating the client header of ${name}")
    add_custom_command(
        OUTPUT ${code}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${WAYLAND_SCANNER} private-code ${xml} ${code}
        DEPENDS ${xml}
        COMMENT "Generating the interface code of ${name}")
    target_sources(${target} PRIVATE ${header} ${code})
    target_include_directories(${target} PUBLIC ${dir})
    target_link_libraries(${target} PUBLIC PkgConfig::WAYLAND_CLIENT)
endfunction()
