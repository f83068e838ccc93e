# Debian's hardening flags (what `dpkg-buildflags` hands a package built
# with hardening=+all) for every optimised build, so that a Release build
# and the .deb made from it get them without a packaging wrapper.
#
# Only optimised configurations get them: _FORTIFY_SOURCE does nothing
# without optimisation (and glibc warns about it), and a debugger is better
# served without the extra checks. Sanitizer and fuzzing builds are left
# alone: AddressSanitizer does its own, finer bounds checking, and the
# fortified libc entry points would hide calls from its interceptors.
option(VENTARO_HARDENING "Build optimised configurations with Debian's hardening flags" ON)

# Executables are position independent, so that address space layout
# randomisation moves them too; Debian's compilers default to it, others
# may not.
include(CheckPIESupported)
check_pie_supported(LANGUAGES CXX)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

if(VENTARO_HARDENING AND NOT VENTARO_SANITIZE AND NOT VENTARO_FUZZ)
  include(CheckCXXCompilerFlag)
  set(_ventaro_hardening_compile
    -fstack-protector-strong
    -Wformat
    -Werror=format-security)
  # Control-flow protection and stack-clash probing exist only on some
  # architectures; a compiler that rejects them for this target is left
  # without rather than failing the build.
  foreach(_flag IN ITEMS -fstack-clash-protection -fcf-protection)
    string(MAKE_C_IDENTIFIER "VENTARO_HAS${_flag}" _result)
    check_cxx_compiler_flag(${_flag} ${_result})
    if(${_result})
      list(APPEND _ventaro_hardening_compile ${_flag})
    endif()
  endforeach()

  set(_ventaro_optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
  target_compile_options(ventaro_options INTERFACE
    "$<${_ventaro_optimised}:${_ventaro_hardening_compile}>")
  # A compiler that already fortifies by default would warn about the
  # definition being redefined; undefining first keeps level 2 either way.
  target_compile_options(ventaro_options INTERFACE
    "$<${_ventaro_optimised}:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  # Full RELRO: relocations are resolved at start and the table is then
  # made read-only, so it cannot be used to redirect calls.
  target_link_options(ventaro_options INTERFACE
    "$<${_ventaro_optimised}:LINKER:-z,relro,-z,now>")
endif()
