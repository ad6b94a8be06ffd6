# One set of warnings for every target of ours (Qt's headers are system headers and stay quiet).
# CI turns them into errors: TAVIRO_WERROR=ON, as an option or in the environment, so that the
# README's plain build command serves CI as it is.
if(DEFINED ENV{TAVIRO_WERROR} AND NOT "$ENV{TAVIRO_WERROR}" STREQUAL "")
    set(taviro_werror_default $ENV{TAVIRO_WERROR})
else()
    set(taviro_werror_default OFF)
endif()
option(TAVIRO_WERROR "Treat compiler warnings as errors" ${taviro_werror_default})

if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    # Besides the usual three: a base class deleted through its pointer without a virtual
    # destructor, and an overload that hides a virtual function instead of overriding it.
    add_compile_options(-Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Woverloaded-virtual)
    if(TAVIRO_WERROR)
        add_compile_options(-Werror)
    endif()
endif()
