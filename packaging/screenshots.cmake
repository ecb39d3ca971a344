# Makes the package's screenshots on the headless bench: the menu (the fourth
# flipped frame: two clears, the intro, then the menu) and play, two seconds
# after Return started a game. Runs on a copy of the Data folder, so the
# bench's hall-of-fame save never touches the packaged one.
#   cmake -DBENCH=velnorix-headless -DDATA=dir -DWORK=dir -DOUT=dir -P screenshots.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/run ${OUT})
file(COPY ${DATA}/ DESTINATION ${WORK}/run/Data)
file(WRITE ${WORK}/script.txt "5000 key RETURN down\n5100 key RETURN up\n")
execute_process(
  COMMAND ${BENCH} --dir ${WORK}/run --script ${WORK}/script.txt --max-ms 7000
          --frames ${WORK}/frames
  OUTPUT_QUIET ERROR_VARIABLE errors RESULT_VARIABLE result)
file(GLOB frames ${WORK}/frames/frame-*.png)
list(LENGTH frames count)
if(NOT result EQUAL 0 OR count LESS 100)
  message(FATAL_ERROR "the bench made ${count} frames (status ${result}): ${errors}")
endif()
list(SORT frames)
list(GET frames -1 play)
file(COPY_FILE ${WORK}/frames/frame-000004.png ${OUT}/menu.png ONLY_IF_DIFFERENT)
file(COPY_FILE ${play} ${OUT}/play.png ONLY_IF_DIFFERENT)
file(REMOVE_RECURSE ${WORK})
