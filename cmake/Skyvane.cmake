# Shared build settings and the helpers every folder uses to declare its libraries and tests.

option(SKYVANE_SANITIZE "Build the native tests with AddressSanitizer and UBSan" ON)

if(WIN32)
    add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
    # No MinGW runtime DLL ships with the programs.
    add_link_options(-static -static-libgcc -static-libstdc++)
    # Sections at page boundaries in the file as well, so that the loader can map the programs
    # and the engine from the file instead of reading them into private memory: Wine does so
    # for a file laid out at the linker's default of 512 bytes, which made the weather
    # program's code and pictures cost 3 MB of private memory each run.
    add_link_options(-Wl,--file-alignment,0x1000)
elseif(SKYVANE_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# Everything the project builds links through one of these two: the pure logic, built natively
# and for Windows, and the Windows-only code.
add_library(skyvane_portable INTERFACE)
add_library(skyvane_windows INTERFACE)
target_link_libraries(skyvane_windows INTERFACE skyvane_portable)

function(skyvane_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
endfunction()

# skyvane_library(name SOURCES ... [LIBS ...] [WINDOWS])
# A static library under the project root's include path. WINDOWS libraries exist only in the
# MinGW build and join skyvane_windows; the others join skyvane_portable.
function(skyvane_library name)
    cmake_parse_arguments(ARG "WINDOWS" "" "SOURCES;LIBS" ${ARGN})
    if(ARG_WINDOWS AND NOT WIN32)
        return()
    endif()
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    skyvane_warnings(${name})
    if(ARG_WINDOWS)
        target_link_libraries(skyvane_windows INTERFACE ${name})
    else()
        target_link_libraries(skyvane_portable INTERFACE ${name})
    endif()
endfunction()

# A native GoogleTest executable over the pure logic; runs under the sanitizers.
function(skyvane_native_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    if(WIN32)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE skyvane_portable ${ARG_LIBS} GTest::gtest_main)
    skyvane_warnings(${name})
    add_test(NAME native.${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(native.${name} PROPERTIES TIMEOUT 300
        ENVIRONMENT "ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;UBSAN_OPTIONS=print_stacktrace=1")
endfunction()

# A Windows GoogleTest executable, run under Wine (with the shared prefix, the local service
# fixture and the test display) by tools/wine-run.sh.
function(skyvane_wine_test name)
    cmake_parse_arguments(ARG "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    if(NOT WIN32)
        return()
    endif()
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    # Every test program carries the watchdog that names a hung test, and the job that ends
    # every program it starts.
    add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/TestWatchdog.cpp
        ${PROJECT_SOURCE_DIR}/tests/support/TestProgramJob.cpp)
    target_link_libraries(${name} PRIVATE skyvane_windows test_support ${ARG_LIBS} GTest::gtest_main
        winhttp wininet crypt32 ws2_32 ole32 oleaut32 uuid gdiplus winmm version shlwapi)
    skyvane_warnings(${name})
    add_test(NAME wine.${name}
        COMMAND ${PROJECT_SOURCE_DIR}/tools/wine-run.sh $<TARGET_FILE:${name}> --gtest_brief=1)
    # Under Wine's heap check: a misused heap block fails the test even where nothing crashed.
    set_tests_properties(wine.${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT}
        FIXTURES_REQUIRED wine_display
        ENVIRONMENT "SKYVANE_BUILD_DIR=${CMAKE_BINARY_DIR};SKYVANE_HEAP_CHECK=1")
endfunction()

# skyvane_program(name DESCRIPTION text SOURCES ... [LIBS ...] [RESOURCES file.rc ...])
# A Windows GUI program in bin/ (the run directory of the build) with the project's version in
# its version resource.
function(skyvane_program name)
    cmake_parse_arguments(ARG "" "DESCRIPTION" "SOURCES;LIBS;RESOURCES" ${ARGN})
    if(NOT WIN32)
        return()
    endif()
    set(SKYVANE_PROGRAM_NAME ${name})
    set(SKYVANE_PROGRAM_DESCRIPTION ${ARG_DESCRIPTION})
    configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in
                   ${CMAKE_CURRENT_BINARY_DIR}/${name}Version.rc @ONLY)
    add_executable(${name} WIN32 ${ARG_SOURCES} ${ARG_RESOURCES}
                   ${CMAKE_CURRENT_BINARY_DIR}/${name}Version.rc)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    skyvane_warnings(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
endfunction()
