# Audio capture for tests run under Wine. Wine plays wave-out through ALSA's
# default device; a self-contained ALSA configuration, chosen per test through
# ALSA_CONFIG_PATH, turns that device into a file writer on a null sink, so a
# test can compare the exact bytes the program sent to the sound device. The
# file is truncated each time a device is opened and complete once it is closed.

# tumbor_capture_audio(<test> <capture file>) gives the test its ALSA
# configuration and passes the capture file's path in TUMBOR_CAPTURE_FILE.
# Tests capturing to the same file must not run at the same time.
function(tumbor_capture_audio test capture_file)
  set(config "${CMAKE_BINARY_DIR}/alsa/${test}.conf")
  # ALSA's file writer does not create folders; in a fresh build tree the
  # capture would otherwise go nowhere.
  get_filename_component(capture_folder "${capture_file}" DIRECTORY)
  file(MAKE_DIRECTORY "${capture_folder}")
  file(WRITE "${config}"
    "pcm.!default {\n"
    "  type file\n"
    "  slave.pcm { type null }\n"
    "  file \"${capture_file}\"\n"
    "  format \"raw\"\n"
    "}\n")
  set_tests_properties(${test} PROPERTIES
    ENVIRONMENT "ALSA_CONFIG_PATH=${config};TUMBOR_CAPTURE_FILE=${capture_file}"
    RESOURCE_LOCK "${capture_file}")
endfunction()
