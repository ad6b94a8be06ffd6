# Two instrumented builds, each in its own build folder beside the ordinary one:
#   TAVIRO_SANITIZE=ON  every library, program and test with AddressSanitizer and
#                       UndefinedBehaviorSanitizer; the tests then fail on any report.
#   TAVIRO_FUZZ=ON      the same instrumentation plus libFuzzer coverage (clang only), and the
#                       fuzz harnesses of tests/fuzz (target taviro_fuzzers).
# Qt itself stays uninstrumented; only our own code is checked.
option(TAVIRO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TAVIRO_FUZZ "Build the libFuzzer harnesses in tests/fuzz (needs clang)" OFF)

set(TAVIRO_SANITIZER_ENVIRONMENT "")
if(NOT TAVIRO_SANITIZE AND NOT TAVIRO_FUZZ)
    return()
endif()

if(TAVIRO_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TAVIRO_FUZZ needs clang: configure with -DCMAKE_CXX_COMPILER=clang++ "
                        "(Debian packages clang and libclang-rt-14-dev)")
endif()

# AddressSanitizer costs the allocation-heavy harnesses two to four times their speed; a fuzz
# build with only "undefined" searches faster, and its corpus is then replayed under both.
set(TAVIRO_SANITIZERS "address,undefined" CACHE STRING "Sanitizers of the instrumented builds")

# An undefined-behaviour report aborts like an address error, so that it fails the test or
# stops the fuzzer instead of scrolling past.
set(sanitizers -fsanitize=${TAVIRO_SANITIZERS} -fno-sanitize-recover=all)
if(TAVIRO_FUZZ)
    list(PREPEND sanitizers -fsanitize=fuzzer-no-link)
endif()
add_compile_options(${sanitizers} -fno-omit-frame-pointer)
add_link_options(-fsanitize=${TAVIRO_SANITIZERS})

set(TAVIRO_SANITIZER_SUPPRESSIONS ${CMAKE_CURRENT_LIST_DIR}/../tools/sanitizers)
set(TAVIRO_SANITIZER_ENVIRONMENT
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
    "LSAN_OPTIONS=suppressions=${TAVIRO_SANITIZER_SUPPRESSIONS}/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:suppressions=${TAVIRO_SANITIZER_SUPPRESSIONS}/ubsan.supp")
