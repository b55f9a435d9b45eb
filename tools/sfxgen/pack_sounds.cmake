# Synthesises the effects into a clean folder and packs every WAV file into
# one datafile. dat sorts objects by name, so the file names give the sample
# indices; -s1 drops dates and source paths so that every build writes the
# same bytes, and -c0 keeps the samples uncompressed.
file(REMOVE_RECURSE ${WAV_DIR})
file(MAKE_DIRECTORY ${WAV_DIR})
execute_process(COMMAND ${SFXGEN} -o ${WAV_DIR} ${RECIPES} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "sfxgen failed")
endif()
file(GLOB wavs ${WAV_DIR}/*.wav)
list(SORT wavs)
file(REMOVE ${OUTPUT})
execute_process(COMMAND ${DAT} -s1 -c0 -a -t SAMP ${OUTPUT} ${wavs}
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "dat failed to write ${OUTPUT}")
endif()
