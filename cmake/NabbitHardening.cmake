# The hardening Debian builds its own packages with (dpkg-buildflags): a stack protector,
# fortified libc calls, and relocations made read-only and bound at start. _FORTIFY_SOURCE
# only in optimised builds, since it needs optimisation. The sanitizer and fuzz builds are
# left as they are: their instrumentation checks more than this does.
if(NOT NABBIT_SANITIZE AND NOT NABBIT_FUZZ)
    add_compile_options(-fstack-protector-strong
                        "$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-D_FORTIFY_SOURCE=2>")
    add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
