# The browser build, made with Emscripten (emcmake): the game on the web
# backend (velnorix.js and velnorix.wasm, with the page around them) and the
# headless bench for node (velnorix-headless.js, on the host's file system).
# The Data folder and the content tools come from a Linux build of the
# project (VX_HOST_BUILD), as for Windows.
set(VX_HOST_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH
    "Linux build folder holding Data")
if(NOT EXISTS "${VX_HOST_BUILD}/Data")
  message(FATAL_ERROR "No Data folder in VX_HOST_BUILD (${VX_HOST_BUILD}): build the Linux content first")
endif()
set(VX_DATA_DIR ${CMAKE_BINARY_DIR}/Data)

# C++ exceptions are caught as on the other hosts (the bench ends a run that
# is out of time with one; the files layer catches the library's).
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# One thread: no pthreads in the page, so the threads library is empty.
if(NOT TARGET Threads::Threads)
  add_library(Threads::Threads INTERFACE IMPORTED)
endif()

# Only the page and the bench: no SDL game, no GTK installer.
set(VX_BUILD_SDL OFF)
add_subdirectory(third_party/libxmp)
# xmp.h marks its symbols for Emscripten with a macro of emscripten.h; the
# visibility attribute does the same without it.
target_compile_definitions(vx_libxmp PUBLIC XMP_SYM_VISIBILITY)
add_subdirectory(platform)
add_subdirectory(game)

# The headless bench under node: real files of the host (NODERAWFS), the
# same reports as the Linux and Windows benches.
target_link_options(velnorix-headless PRIVATE
  -sNODERAWFS=1 -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
  -sINITIAL_MEMORY=64MB)

# The browser backend.
add_library(vx_platform_web STATIC platform/web/web_backend.cpp)
target_include_directories(vx_platform_web PUBLIC platform/include PRIVATE platform/core platform/web)
target_link_libraries(vx_platform_web PUBLIC vx_platform_core)

# The page's program. Asyncify lets the game's blocking loops wait for the
# browser: the imports below are the waits of the page library.
set(VX_WEB_LIBRARY ${PROJECT_SOURCE_DIR}/platform/web/library_velnorix.js)
add_executable(velnorix platform/web/main.cpp)
target_link_libraries(velnorix PRIVATE vx_game vx_platform_web)
# The game's fields for the page (window.vxWeb.game()), read as the bench does.
target_include_directories(velnorix PRIVATE platform/headless)
target_link_options(velnorix PRIVATE
  --js-library ${VX_WEB_LIBRARY}
  -lidbfs.js
  -sASYNCIFY=1
  "-sASYNCIFY_IMPORTS=['vx_web_sleep_until','vx_web_nap','vx_web_wait_refresh','vx_web_message_box','vx_web_persist_load']"
  -sASYNCIFY_STACK_SIZE=65536
  -sENVIRONMENT=web
  -sFORCE_FILESYSTEM=1
  -sALLOW_MEMORY_GROWTH=1
  -sINITIAL_MEMORY=32MB
 
  -sEXIT_RUNTIME=0
  -sMODULARIZE=0
  "-sEXPORTED_RUNTIME_METHODS=['FS']"
  "-sEXPORTED_FUNCTIONS=['_main','_vx_web_game_fields']")
set_property(TARGET velnorix APPEND PROPERTY LINK_DEPENDS ${VX_WEB_LIBRARY})
set_target_properties(velnorix velnorix-headless PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(VX_BUILD_TESTS)
  enable_testing()
  add_subdirectory(tests/web)
endif()
