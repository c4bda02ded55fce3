# Tests that own org.freedesktop.Notifications run on a session bus of their own, so that tests
# running in parallel on the shared bus neither collide on the name nor reach their server.
# The test keeps its name with "_bus" added; the plain one (on the shared bus) is disabled.
find_program(SISMO_DBUS_RUN_SESSION dbus-run-session)
function(sismo_private_bus_test name)
  if(NOT SISMO_DBUS_RUN_SESSION)
    return()
  endif()
  get_test_property(${name} ENVIRONMENT env)
  add_test(NAME ${name}_bus COMMAND ${SISMO_DBUS_RUN_SESSION} -- $<TARGET_FILE:${name}>)
  set_tests_properties(${name}_bus PROPERTIES ENVIRONMENT "${env}" TIMEOUT 300)
  set_tests_properties(${name} PROPERTIES DISABLED TRUE)
endfunction()
