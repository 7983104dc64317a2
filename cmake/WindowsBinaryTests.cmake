# CTest entries for the cross-built Windows binaries: their import and export
# tables, and the end-to-end tests under Wine. The test command builds the
# binaries first and passes their directories in.
set(TELLUR_WIN64_DIR "" CACHE PATH "Build directory of the x86_64 Windows binaries")
set(TELLUR_WIN32_DIR "" CACHE PATH "Build directory of the i686 Windows binaries")
set(TELLUR_E2E_DIR ${CMAKE_BINARY_DIR}/e2e)
set(TELLUR_E2E ${CMAKE_CURRENT_SOURCE_DIR}/tests/e2e)

foreach(arch x86_64 i686)
  if(arch STREQUAL x86_64)
    set(dir ${TELLUR_WIN64_DIR})
  else()
    set(dir ${TELLUR_WIN32_DIR})
  endif()
  if(dir)
    add_test(NAME binaries.${arch} COMMAND ${TELLUR_E2E}/check_binaries.sh ${dir} ${arch})
  endif()
endforeach()

if(TELLUR_WIN64_DIR)
  set(TELLUR_HARNESS ${TELLUR_E2E}/harness)
  set(TELLUR_PRISTINE ${TELLUR_E2E_DIR}/pristine)
  # wineboot once, into a prefix that every lane copies.
  add_test(NAME e2e.pristine_prefix
    COMMAND ${TELLUR_HARNESS}/pristine.sh ${TELLUR_PRISTINE} $<TARGET_FILE:modem_lines_shim>)
  # A lane whose test was killed on its time-out could not take itself down.
  add_test(NAME e2e.lanes_down
    COMMAND sh -c "for lane in \"$1\"/*/; do \"$0\" \"$lane\"; done" ${TELLUR_HARNESS}/stop.sh ${TELLUR_E2E_DIR})
  set_tests_properties(e2e.pristine_prefix PROPERTIES FIXTURES_SETUP wine TIMEOUT 180)
  set_tests_properties(e2e.lanes_down PROPERTIES FIXTURES_CLEANUP wine)

  # Each test runs in a lane of its own (display, prefix, wineserver, serial
  # lines, key sink), so tests run side by side as CTest's -j allows.
  function(tellur_e2e_test name script)
    add_test(NAME e2e.${name}
      COMMAND ${TELLUR_HARNESS}/lane.sh ${TELLUR_E2E_DIR}/${name} $<TARGET_FILE:modem_lines_shim> ${TELLUR_PRISTINE}
              ${TELLUR_E2E}/${script} ${TELLUR_WIN64_DIR} ${ARGN})
    set_tests_properties(e2e.${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 300)
  endfunction()
  tellur_e2e_test(type_frame type_frame_test.sh)
  tellur_e2e_test(text_decoder text_decoder_test.sh)
  tellur_e2e_test(library_entries library_entries_test.sh)
  tellur_e2e_test(store_and_port store_and_port_test.sh)
  tellur_e2e_test(resident_protocols resident_protocols_test.sh $<TARGET_FILE:line_balance>)
  tellur_e2e_test(resident_startup resident_startup_test.sh)
  tellur_e2e_test(settings_dialog settings_dialog_test.sh)
  tellur_e2e_test(installer installer_test.sh)
  tellur_e2e_test(msi msi_test.sh)
  tellur_e2e_test(release release_test.sh ${TELLUR_WIN32_DIR})
  tellur_e2e_test(bad_settings bad_settings_test.sh)
  tellur_e2e_test(device_removal device_removal_test.sh)
  tellur_e2e_test(soak soak_test.sh $<TARGET_FILE:line_soak>)
  tellur_e2e_test(cycles cycles_test.sh)
  set_tests_properties(e2e.soak e2e.cycles PROPERTIES TIMEOUT 600)
  # Its start-up waits add up to two minutes here and took 200 s on a loaded machine;
  # the protocols' eighteen starts of the program take about four minutes there.
  set_tests_properties(e2e.resident_startup e2e.resident_protocols PROPERTIES TIMEOUT 450)
  # It builds a second tree and packs seven releases: 13 minutes on a loaded machine.
  set_tests_properties(e2e.release PROPERTIES TIMEOUT 900)
  # Its waits for copies that do not end add up to half a minute; it took 200 s on a loaded machine.
  set_tests_properties(e2e.installer PROPERTIES TIMEOUT 450)
  # The longest first, so the lanes end close together.
  set_tests_properties(e2e.soak e2e.resident_startup e2e.resident_protocols e2e.cycles PROPERTIES COST 100)
endif()
