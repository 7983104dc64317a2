# Native build: unit tests of the portable logic under AddressSanitizer and
# UndefinedBehaviorSanitizer, the benchmarks (built without sanitizers), the
# harness's modem-line library, and the CTest entries for the Windows binaries.
enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)

set(TELLUR_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
foreach(logic tellur_common_logic tellur_receiver_logic tellur_shell_logic tellurs_dialog_logic tellurs_store_logic)
  target_compile_options(${logic} PRIVATE ${TELLUR_SANITIZERS})
endforeach()

add_library(tellur_fakes STATIC
  tests/fakes/fake_keyboard.cpp
  tests/fakes/fake_registry.cpp
  tests/fakes/fake_serial_port.cpp
  tests/fakes/iconv_text_decoder.cpp)
target_link_libraries(tellur_fakes PUBLIC tellur_receiver_logic tellur_shell_logic tellurs_dialog_logic
  tellurs_store_logic)
target_compile_options(tellur_fakes PRIVATE ${TELLUR_SANITIZERS})

add_executable(tellur_unit_tests
  tests/fakes/fakes_test.cpp
  tests/unit/data_editing_test.cpp
  tests/unit/frame_assembly_test.cpp
  tests/unit/keystrokes_test.cpp
  tests/unit/library_client_test.cpp
  tests/unit/receiver_loop_test.cpp
  tests/unit/resident_window_test.cpp
  tests/unit/port_opening_test.cpp
  tests/unit/settings_dialog_test.cpp
  tests/unit/settings_store_test.cpp)
target_link_libraries(tellur_unit_tests PRIVATE tellur_fakes GTest::gtest_main)
# The policy template is checked against the store's own tables.
target_compile_definitions(tellur_unit_tests PRIVATE TELLUR_POLICY_DIR="${CMAKE_CURRENT_SOURCE_DIR}/installer/policy")
target_compile_options(tellur_unit_tests PRIVATE ${TELLUR_SANITIZERS})
target_link_options(tellur_unit_tests PRIVATE ${TELLUR_SANITIZERS})
gtest_discover_tests(tellur_unit_tests DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES)

# Benchmarks compile the logic afresh at full optimisation, without sanitizers.
add_executable(framing_benchmark bench/framing_benchmark.cpp common/edit_rules.cpp
  common/data_editing.cpp resident/receiver/frame_assembly.cpp resident/receiver/ime_guard.cpp resident/receiver/input_target.cpp
  resident/receiver/keystrokes.cpp tests/fakes/iconv_text_decoder.cpp)
target_include_directories(framing_benchmark PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(framing_benchmark PRIVATE -O2)

# Loaded into Wine's processes by the end-to-end harness: gives ptys modem lines.
add_library(modem_lines_shim SHARED tests/e2e/harness/modem_lines_shim.c)
target_link_libraries(modem_lines_shim PRIVATE dl)

include(cmake/WindowsBinaryTests.cmake)

# The device's side of a virtual line, for the benchmark, the soak run and the
# stand-in balance.
add_library(line_device STATIC tests/e2e/device/line_device.cpp)
target_include_directories(line_device PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
add_executable(line_bench bench/line_bench.cpp)
target_compile_options(line_bench PRIVATE -O2)
target_link_libraries(line_bench PRIVATE line_device)
add_executable(line_soak tests/e2e/device/line_soak.cpp)
target_link_libraries(line_soak PRIVATE line_device)
add_executable(line_balance tests/e2e/device/line_balance.cpp)
target_link_libraries(line_balance PRIVATE line_device)

# A short, seeded run of each fuzzer (the long run is tools/fuzz.sh).
set(TELLUR_FUZZ_DIR "" CACHE PATH "Build directory of the fuzzers")
if(TELLUR_FUZZ_DIR)
  foreach(fuzzer frame_fuzzer:30000 store_fuzzer:30000 port_fuzzer:300000)
    string(REPLACE ":" ";" parts ${fuzzer})
    list(GET parts 0 name)
    list(GET parts 1 runs)
    add_test(NAME fuzz.${name} COMMAND ${TELLUR_FUZZ_DIR}/${name} -seed=1 -runs=${runs})
    set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 300)
  endforeach()
endif()

# The guides' commands and the help's dialog texts against the code.
add_test(NAME guides COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tests/check_guides.sh ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_BINARY_DIR})
