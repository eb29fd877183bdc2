# The scenarios of the native Linux program (platform/linux), run on their own display with
# their own desktop session; they share nothing with the Wine scenarios but the scenario files,
# so the two kinds may run side by side. Their runs go to native/ in the build folder.
set(E2E_NATIVE_WORK ${CMAKE_CURRENT_BINARY_DIR}/native)
set(E2E_NATIVE_ENVIRONMENT
    TOCKMETER_NATIVE_EXE=$<TARGET_FILE:tockmeter>
    TOCKMETER_E2E_WORK=${E2E_NATIVE_WORK}
    TOCKMETER_MICROMITE=$<TARGET_FILE:tockmeter-micromite>
    PYTHONPATH=${CMAKE_CURRENT_SOURCE_DIR}
    PYTHONDONTWRITEBYTECODE=1)

# The fixture checks that this machine can run them at all: the AT-SPI bindings and tools.
add_test(NAME e2e.native.session
         COMMAND ${TOCKMETER_E2E_PYTHON} ${CMAKE_CURRENT_SOURCE_DIR}/check_native_session.py)
set_tests_properties(e2e.native.session PROPERTIES
    LABELS e2e FIXTURES_SETUP e2e_native TIMEOUT 120
    ENVIRONMENT "${E2E_NATIVE_ENVIRONMENT};TOCKMETER_E2E_TARGET=native")

function(add_native_e2e_scenarios file)
  add_e2e_scenarios_of(e2e.native native e2e_native "${E2E_NATIVE_ENVIRONMENT}" ${file} ${ARGN})
endfunction()

add_native_e2e_scenarios(window
    first_start_shows_the_default_window)

add_native_e2e_scenarios(serial_ports
    scan_offers_the_served_ports_also_beyond_the_bound
    scan_without_ports_says_so_and_the_window_opens
    first_start_chooses_the_lone_simulated_micromite_and_uploads_over_it)

add_native_e2e_scenarios(calibration
    upload_then_run_then_stop
    wide_lines_leave_the_newest_line_above_the_scroll_bar)

add_native_e2e_scenarios(messy_line
    a_messy_line_costs_only_its_lost_lines_and_stop_before_a_line_is_kept)

add_native_e2e_scenarios(trimming
    trim_automatically_ends_on_the_value_that_keeps_time
    rate_shown_during_a_run_holds_the_true_rate)
set_tests_properties(e2e.native.trimming.trim_automatically_ends_on_the_value_that_keeps_time
    PROPERTIES TIMEOUT 900)

add_native_e2e_scenarios(graph
    a_run_shows_in_the_graph_and_saves_as_png)

add_native_e2e_scenarios(faults
    vanishing_controller_ends_the_upload_and_the_run_with_a_log_line
    flooding_controller_leaves_the_upload_and_the_run_measuring)
