# The browser build (make web): the engine compiled by emscripten into
# quorvel.html/.js/.wasm/.data, on the C libraries scripts/web_deps.sh built from
# Debian's sources. Configured with emcmake; see scripts/web_build.sh.
set(QVL_WEB_PREFIX "$ENV{HOME}/.cache/quorvel-web/prefix" CACHE PATH "Where scripts/web_deps.sh installed the libraries")
set(QVL_WEB_FONTS "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf;/usr/share/fonts/opentype/ipafont-mincho/ipam.ttf"
    CACHE STRING "Font files bundled with the page")

# The engine reports script faults as exceptions; emscripten leaves them out unless asked.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

function(qvl_web_library name)
  add_library(${name} INTERFACE IMPORTED)
  set_target_properties(${name} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES "${ARGV1}" INTERFACE_LINK_LIBRARIES "${ARGV2}")
endfunction()
set(P ${QVL_WEB_PREFIX})
qvl_web_library(PkgConfig::FREETYPE "${P}/include/freetype2" "${P}/lib/libfreetype.a")
qvl_web_library(PkgConfig::PNG "${P}/include" "${P}/lib/libpng16.a;${P}/lib/libz.a")
qvl_web_library(PkgConfig::JPEG "${P}/include" "${P}/lib/libjpeg.a")
# Header-only libraries come from the build machine's Debian packages, through a
# folder holding only them (the machine's other headers are not for WebAssembly).
set(QVL_WEB_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${QVL_WEB_HEADERS})
file(CREATE_LINK /usr/include/nlohmann ${QVL_WEB_HEADERS}/nlohmann SYMBOLIC)
qvl_web_library(nlohmann_json::nlohmann_json "${QVL_WEB_HEADERS}" "")

# MIDI: TiMidity (scripts/web_deps.sh) and the General MIDI patches it plays with,
# Debian's freepats, copied beside the page with its configuration pointed there.
# The page fetches a patch only when a piece first needs it.
set(QVL_WEB_MIDI_PATCHES "/usr/share/midi/freepats" CACHE PATH "The GUS patch set served beside the page")
set(QVL_WEB_MIDI_CONFIG "/etc/timidity/freepats.cfg" CACHE FILEPATH "Its TiMidity configuration")
qvl_web_library(qvl_timidity "${P}/include" "${P}/lib/libtimidity.a")
if(NOT EXISTS ${QVL_WEB_MIDI_CONFIG})
  message(FATAL_ERROR "MIDI patches missing: scripts/web_setup.sh installs Debian's freepats")
endif()
file(COPY ${QVL_WEB_MIDI_PATCHES}/ DESTINATION ${CMAKE_BINARY_DIR}/midi)
# The set lacks about a third of the General MIDI programs, which TiMidity would
# leave unheard: each of those plays with the first patch of its family of eight
# that the set has (piano when none has). Sound effects, the last family, stay as
# the set has them: another effect would be no likeness.
function(qvl_web_midi_config from to)
  file(STRINGS ${from} lines)
  set(out "")
  set(section "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^dir ")
      set(line "dir /midi")
    elseif(line MATCHES "^(bank|drumset) ")
      set(section "${line}")
    elseif(section STREQUAL "bank 0" AND line MATCHES "^[ \t]*([0-9]+)[ \t]+(.*)$")
      set(tone_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endif()
    string(APPEND out "${line}\n")
  endforeach()
  string(APPEND out "bank 0\n")
  foreach(program RANGE 127)
    if(NOT DEFINED tone_${program} AND program LESS 120)
      math(EXPR first "${program} / 8 * 8")
      math(EXPR last "${first} + 7")
      set(patch "${tone_0}")
      foreach(other RANGE ${first} ${last})
        if(DEFINED tone_${other})
          set(patch "${tone_${other}}")
          break()
        endif()
      endforeach()
      string(APPEND out " ${program}\t${patch}\n")
    endif()
  endforeach()
  file(WRITE ${to} "${out}")
endfunction()
qvl_web_midi_config(${QVL_WEB_MIDI_CONFIG} ${CMAKE_BINARY_DIR}/midi/freepats.cfg)

include_directories(${CMAKE_SOURCE_DIR})
foreach(dir base formats graphics platform ui script text choice audio save debug dialogs app)
  add_subdirectory(${dir})
endforeach()

add_executable(quorvel ${CMAKE_SOURCE_DIR}/program/web_main.cpp)
target_link_libraries(quorvel PRIVATE qvl_app qvl_platform)
set_target_properties(quorvel PROPERTIES SUFFIX ".js")
# The demo as the source tree holds it: what a run in the tree wrote there stays out.
set(QVL_WEB_PRELOAD "--preload-file ${CMAKE_SOURCE_DIR}/demo@/demo")
foreach(written qvl.ini data0.hfd textid.dat save save/*)
  string(APPEND QVL_WEB_PRELOAD " --exclude-file */demo/${written}")
endforeach()
file(GLOB QVL_WEB_DEMO CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/demo/*)
foreach(font ${QVL_WEB_FONTS})
  get_filename_component(name ${font} NAME)
  string(APPEND QVL_WEB_PRELOAD " --preload-file ${font}@/fonts/${name}")
endforeach()
string(CONCAT QVL_WEB_LINK
  # Every wait of the engine sleeps in the browser's event loop.
  "-sASYNCIFY -sASYNCIFY_IMPORTS=['qvl_web_sleep','qvl_web_fetch_beside'] -sASYNCIFY_STACK_SIZE=1048576 "
  "-sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=67108864 -sTOTAL_STACK=5242880 "
  "-sFORCE_FILESYSTEM=1 -lidbfs.js -sINVOKE_RUN=0 -sEXIT_RUNTIME=0 "
  "-sEXPORTED_RUNTIME_METHODS=['callMain','FS','IDBFS'] "
  "--js-library ${CMAKE_SOURCE_DIR}/platform/web/library.js ${QVL_WEB_PRELOAD}")
set_target_properties(quorvel PROPERTIES LINK_FLAGS "${QVL_WEB_LINK}")
set_property(TARGET quorvel APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/library.js ${QVL_WEB_DEMO})
# The page beside the program.
foreach(file index.html quorvel-page.js quorvel-page.css)
  configure_file(${CMAKE_SOURCE_DIR}/web/${file} ${CMAKE_BINARY_DIR}/${file} COPYONLY)
endforeach()
