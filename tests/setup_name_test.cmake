# The entry-function naming rule, run with cmake -P.
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/setup_name.cmake)
foreach(pair "saw~=saw_tilde_setup" "changed=changed_setup" "vesh=vesh_setup"
             "rand.seq=setup_rand0x2eseq" "mov.avg~=setup_mov0x2eavg_tilde"
             "ctl.in=setup_ctl0x2ein" "allpass.2nd~=setup_allpass0x2e2nd_tilde"
             "trig.delay2~=setup_trig0x2edelay2_tilde" "a.b.c=setup_a0x2eb0x2ec")
  string(REPLACE "=" ";" parts "${pair}")
  list(GET parts 0 class)
  list(GET parts 1 expected)
  vesh_setup_name("${class}" got)
  if(NOT got STREQUAL expected)
    message(FATAL_ERROR "${class}: got ${got}, expected ${expected}")
  endif()
endforeach()
message(STATUS "all entry names as expected")
