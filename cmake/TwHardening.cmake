# Debian's hardening flags for every target of ours (what dpkg-buildflags gives with
# hardening=+all, and stack clash protection): fortified libc calls, a strong stack
# protector, position-independent executables and a read-only, immediately bound GOT.
# _FORTIFY_SOURCE needs the optimiser, so a debug build (the sanitizer build) goes without it.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat
                    -Werror=format-security)
if(NOT CMAKE_BUILD_TYPE STREQUAL "Debug" AND NOT TW_SANITIZE AND NOT TW_FUZZ)
  add_compile_definitions(_FORTIFY_SOURCE=2)
endif()
add_link_options(-Wl,-z,relro -Wl,-z,now)
# The library's own checks of indexes and preconditions, in every build we test.
add_compile_definitions(_GLIBCXX_ASSERTIONS)
