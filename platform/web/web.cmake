# The platform layer of the browser build: the common parts, the headless backend
# and the browser backend; no SDL window, no media modules, no fontconfig.
file(GLOB QVL_PLATFORM_SOURCES CONFIGURE_DEPENDS
     ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/headless/*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/web/*.cpp)
foreach(native movie.cpp movie_container.cpp sound_decoder.cpp media_module_entry.cpp font_catalog.cpp
               speech_dispatcher.cpp)
  list(REMOVE_ITEM QVL_PLATFORM_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/${native})
endforeach()
add_library(qvl_platform STATIC ${QVL_PLATFORM_SOURCES} ${CMAKE_CURRENT_SOURCE_DIR}/sdl/timer_set.cpp)
target_link_libraries(qvl_platform PUBLIC qvl_media_probe qvl_graphics qvl_base PRIVATE PkgConfig::FREETYPE)
# MIDI is synthesised by TiMidity (cmake/Web.cmake).
target_link_libraries(qvl_platform PRIVATE qvl_timidity)
# No module file is ever opened: the movie code is linked in (below).
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/media_module.cpp PROPERTIES COMPILE_DEFINITIONS
  "QVL_MODULES_FROM_BIN=\"lib\";QVL_MODULES_BUILD_DIR=\"/nonexistent\";QVL_BUILD_DIR=\"/nonexistent\"")
# iconv of the browser's C library knows Shift-JIS by this name.
set_source_files_properties(${CMAKE_CURRENT_SOURCE_DIR}/encoding.cpp PROPERTIES COMPILE_DEFINITIONS
  "QVL_ICONV_CP932=\"SHIFT_JIS\"")

# Movies: the native module's FFmpeg code, linked in (scripts/web_deps.sh builds
# FFmpeg). The table is only reached through a weak reference, so the link asks
# for it by name.
target_sources(qvl_platform PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/movie.cpp ${CMAKE_CURRENT_SOURCE_DIR}/movie_container.cpp)
set(QVL_WEB_FFMPEG)
foreach(lib avformat avcodec swscale swresample avutil)
  list(APPEND QVL_WEB_FFMPEG ${QVL_WEB_PREFIX}/lib/lib${lib}.a)
endforeach()
target_include_directories(qvl_platform PRIVATE ${QVL_WEB_PREFIX}/include)
target_link_libraries(qvl_platform PRIVATE ${QVL_WEB_FFMPEG})
target_link_options(qvl_platform INTERFACE "-Wl,--undefined=qvl_media_module")
# FFmpeg never calls back into anything that sleeps, so Asyncify need not make
# its functions resumable; left to itself it would (they call through pointers),
# which costs size and speed.
target_link_options(qvl_platform INTERFACE
  "-sASYNCIFY_REMOVE=[ff_*,av_*,avcodec_*,avformat_*,avio_*,avpriv_*,sws_*,swr_*,swri_*]")
