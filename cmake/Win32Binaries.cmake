# The Windows binaries. Everything links the C and C++ runtimes statically, so
# each binary needs nothing beside it but system DLLs.
set(TELLUR_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# Reproducible binaries: the same sources give the same bytes wherever and
# whenever they are built. No link time in the PE header (its check sum then
# follows), and no build directory in anything the compiler writes.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=tellurin -ffile-prefix-map=${CMAKE_BINARY_DIR}=build)
set(TELLUR_REPRODUCIBLE_LINK -Wl,--no-insert-timestamp)

add_library(tellur_receiver_win32 STATIC
  resident/receiver/win32/cancel_port_operation.cpp
  resident/receiver/win32/win32_keyboard.cpp
  resident/receiver/win32/win32_text_decoder.cpp
  resident/receiver/win32/overlapped_answer_line.cpp
  resident/receiver/win32/receiver.cpp
  resident/receiver/win32/receiver_platform_values.cpp
  resident/receiver/win32/win32_input_target.cpp)
target_link_libraries(tellur_receiver_win32 PUBLIC tellur_receiver_logic)
target_compile_options(tellur_receiver_win32 PRIVATE ${TELLUR_PRODUCT_FLAGS})

# Each room's *_platform_values.cpp is compiled with it for its static_asserts
# only: the portable code's platform numbers and record mirrors against the
# platform's headers, in both word sizes. The shared layer checks its own here.
add_library(tellur_platform_check OBJECT common/win32/platform_values_check.cpp)
target_include_directories(tellur_platform_check PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_options(tellur_platform_check PRIVATE ${TELLUR_PRODUCT_FLAGS})

# Both binaries' version block, from project(... VERSION ...); each resource
# file includes it.
set(TELLUR_GENERATED ${CMAKE_CURRENT_BINARY_DIR}/generated)
configure_file(cmake/version_block.rc.in ${TELLUR_GENERATED}/version_block.rc @ONLY)

# windres reports no dependencies of its own: a changed icon or manifest must
# still rebuild the resources that hold it.
set(TELLUR_SHELL_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/resident/shell/win32)
set_source_files_properties(resident/shell/win32/tellur.rc PROPERTIES OBJECT_DEPENDS
  "${TELLUR_GENERATED}/version_block.rc;${TELLUR_SHELL_RESOURCES}/tellur.manifest;${TELLUR_SHELL_RESOURCES}/icons/tellur.ico;${TELLUR_SHELL_RESOURCES}/icons/tray.ico;${TELLUR_SHELL_RESOURCES}/icons/tray-idle.ico")
set(TELLUR_DIALOG_RESOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings/dialog/win32)
set_source_files_properties(settings/dialog/win32/tellurs.rc PROPERTIES OBJECT_DEPENDS
  "${TELLUR_GENERATED}/version_block.rc;${TELLUR_DIALOG_RESOURCES}/icons/settings.ico")

add_executable(tellur WIN32
  resident/shell/win32/tellur_main.cpp
  resident/shell/win32/resident_window_win32.cpp
  resident/shell/win32/shell_platform_values.cpp
  resident/shell/win32/tellur.rc)
set_target_properties(tellur PROPERTIES OUTPUT_NAME TELLUR SUFFIX .EXE)
add_dependencies(tellur tellur_platform_check)
target_compile_options(tellur PRIVATE ${TELLUR_PRODUCT_FLAGS})
target_include_directories(tellur PRIVATE ${TELLUR_GENERATED})
target_link_options(tellur PRIVATE -municode ${TELLUR_STATIC_RUNTIME} ${TELLUR_REPRODUCIBLE_LINK})
target_link_libraries(tellur PRIVATE tellur_shell_logic tellur_receiver_win32)

add_library(tellurs SHARED
  settings/dialog/win32/about_help_win32.cpp
  settings/dialog/win32/dialog_platform_values.cpp
  settings/dialog/win32/edit_page_win32.cpp
  settings/dialog/win32/pages_win32.cpp
  settings/dialog/win32/settings_window_win32.cpp
  settings/dialog/win32/tellurs.rc
  settings/store/win32/store_entries.cpp
  settings/store/win32/library_state.cpp
  settings/store/win32/store_platform_values.cpp
  settings/store/win32/win32_registry.cpp
  settings/store/win32/win32_serial_port.cpp
  settings/dialog/win32/dialog_entry.cpp
  settings/tellurs.def)
target_link_libraries(tellurs PRIVATE tellurs_dialog_logic tellurs_store_logic comctl32 uxtheme)
set_target_properties(tellurs PROPERTIES OUTPUT_NAME TELLURS PREFIX "" SUFFIX .DLL)
target_compile_options(tellurs PRIVATE ${TELLUR_PRODUCT_FLAGS})
target_include_directories(tellurs PRIVATE ${TELLUR_GENERATED})
# The .def file alone decides the export table: exactly the three numbered entries.
target_link_options(tellurs PRIVATE ${TELLUR_STATIC_RUNTIME} ${TELLUR_REPRODUCIBLE_LINK} -Wl,--exclude-all-symbols)

# Helper programs of the end-to-end tests (console programs, so their output
# reaches the harness).
function(tellur_e2e_helper name)
  add_executable(${name} tests/e2e/helpers/${name}.cpp)
  set_target_properties(${name} PROPERTIES SUFFIX .exe)
  target_link_options(${name} PRIVATE ${TELLUR_STATIC_RUNTIME} ${ARGN})
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
endfunction()
tellur_e2e_helper(key_sink -municode -mwindows)
tellur_e2e_helper(driver -municode)
tellur_e2e_helper(type_frame -municode)
target_link_libraries(type_frame PRIVATE tellur_receiver_win32)
tellur_e2e_helper(decode_text)
target_link_libraries(decode_text PRIVATE tellur_receiver_win32)
# The sink is a GUI program, but its diagnostics still go to a console if any.
set_target_properties(key_sink PROPERTIES WIN32_EXECUTABLE OFF)
tellur_e2e_helper(library_probe -municode)
# The same probe as a program from before the interface number: it exports none.
add_executable(library_probe_old tests/e2e/helpers/library_probe.cpp)
set_target_properties(library_probe_old PROPERTIES SUFFIX .exe)
target_compile_definitions(library_probe_old PRIVATE PROBE_WITHOUT_INTERFACE)
target_link_options(library_probe_old PRIVATE ${TELLUR_STATIC_RUNTIME} -municode)
target_include_directories(library_probe_old PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
# A settings library of another interface, with every entry.
add_library(foreign_library SHARED tests/e2e/helpers/foreign_library.cpp)
set_target_properties(foreign_library PROPERTIES PREFIX "" SUFFIX .dll)
target_include_directories(foreign_library PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_options(foreign_library PRIVATE ${TELLUR_STATIC_RUNTIME})
add_executable(target_check_bench bench/target_check_bench.cpp)
set_target_properties(target_check_bench PROPERTIES SUFFIX .exe)
target_link_options(target_check_bench PRIVATE ${TELLUR_STATIC_RUNTIME})
target_link_libraries(target_check_bench PRIVATE tellur_receiver_win32)

# The help file, compiled beside the program. The project and contents files
# are kept in UTF-8 and handed to the compiler in CP932: the help viewer reads
# them in the code page of the file's language (Japanese).
find_program(TELLUR_CHMCMD chmcmd REQUIRED)
set(TELLUR_HELP_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/settings/dialog/help)
set(TELLUR_HELP_WORK ${CMAKE_CURRENT_BINARY_DIR}/help)
add_custom_command(
  OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/TELLURHLP.CHM
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${TELLUR_HELP_WORK}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${TELLUR_HELP_SOURCES} ${TELLUR_HELP_WORK}
  COMMAND iconv -f UTF-8 -t CP932 ${TELLUR_HELP_SOURCES}/tellurhlp.hhp -o ${TELLUR_HELP_WORK}/tellurhlp.hhp
  COMMAND iconv -f UTF-8 -t CP932 ${TELLUR_HELP_SOURCES}/toc.hhc -o ${TELLUR_HELP_WORK}/toc.hhc
  COMMAND ${CMAKE_COMMAND} -E chdir ${TELLUR_HELP_WORK} ${TELLUR_CHMCMD} tellurhlp.hhp
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/tools/clear_chm_times.sh ${TELLUR_HELP_WORK}/TELLURHLP.CHM
  COMMAND ${CMAKE_COMMAND} -E copy ${TELLUR_HELP_WORK}/TELLURHLP.CHM ${CMAKE_CURRENT_BINARY_DIR}/TELLURHLP.CHM
  DEPENDS ${TELLUR_HELP_SOURCES}/tellurhlp.hhp ${TELLUR_HELP_SOURCES}/toc.hhc
          ${TELLUR_HELP_SOURCES}/HTML/communication.html ${TELLUR_HELP_SOURCES}/HTML/function.html
          ${TELLUR_HELP_SOURCES}/HTML/edit.html
          ${TELLUR_HELP_SOURCES}/HTML/troubleshooting.html
  VERBATIM)
add_custom_target(tellur_help ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/TELLURHLP.CHM)

# The per-user installer (64-bit Windows), made with NSIS from the binaries above.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL x86_64)
  find_program(TELLUR_MAKENSIS makensis REQUIRED)
  set(TELLUR_INSTALLER ${CMAKE_CURRENT_BINARY_DIR}/Tellurin-${PROJECT_VERSION}-x64-setup.exe)
  add_custom_command(
    OUTPUT ${TELLUR_INSTALLER}
    COMMAND ${TELLUR_MAKENSIS} -V2 -DBUILD_DIR=${CMAKE_CURRENT_BINARY_DIR} -DOUT_FILE=${TELLUR_INSTALLER}
            ${CMAKE_CURRENT_SOURCE_DIR}/installer/tellurin.nsi
    DEPENDS tellur tellurs tellur_help ${CMAKE_CURRENT_SOURCE_DIR}/installer/tellurin.nsi
            ${CMAKE_CURRENT_SOURCE_DIR}/resident/shell/win32/icons/tellur.ico
    VERBATIM)
  add_custom_target(tellur_installer ALL DEPENDS ${TELLUR_INSTALLER})
endif()
