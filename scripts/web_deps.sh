#!/usr/bin/env bash
# Builds the C libraries the browser build links (zlib, libpng, FreeType,
# libjpeg-turbo, SDL2) with Debian's emscripten, from Debian's own source
# packages, into a prefix kept between builds. Nothing comes from anywhere but
# the Debian archive the machine already uses.
#
#   scripts/web_deps.sh [PREFIX]     default: ~/.cache/quorvel-web/prefix
#
# A library already in the prefix is not built again; delete the prefix (or its
# stamps/ folder) to start over. Runs at low priority on two jobs so it shares
# the machine.
set -euo pipefail

cache="${QVL_WEB_CACHE:-$HOME/.cache/quorvel-web}"
prefix="${1:-$cache/prefix}"
src="$cache/src"
work="$cache/work"
jobs="${QVL_WEB_JOBS:-2}"
mkdir -p "$src" "$work" "$prefix/stamps"
prefix="$(cd "$prefix" && pwd)"

nice_cmd=(nice -n 15)
# emcc's JavaScript tools need Debian's node modules (acorn), which a node not
# from Debian does not look for by itself.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
log() { echo "web-deps: $*"; }

# The packages: name of the source package, and the build function below. SDL2
# only when asked (QVL_WEB_SDL2=1): the browser backend draws, listens and plays
# through the page itself, and SDL2 takes longest of all to build.
libraries=(zlib libpng1.6 freetype libjpeg-turbo)
[ "${QVL_WEB_SDL2:-0}" = 1 ] && libraries+=(libsdl2)
libraries+=(timidity)

# Source packages are fetched with apt-get source, which needs a deb-src entry
# for the archive the machine installs from.
ensure_deb_src() {
  if grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then return; fi
  [ "$(id -u)" -eq 0 ] || { log "no deb-src entry; run as root once (or add one) so apt-get source works"; exit 1; }
  local list=/etc/apt/sources.list.d/debian.sources
  [ -f "$list" ] || { log "cannot find the machine's Debian sources to mirror"; exit 1; }
  # The same archive, suites and components as the binary entries, for sources.
  sed -e 's/^Types: deb$/Types: deb-src/' "$list" | grep -v '^#' > /etc/apt/sources.list.d/quorvel-web-src.sources
  apt-get update -qq
}

# Unpacks a source package (with Debian's patches applied) once; prints its folder.
unpack() {
  local pkg="$1"
  if ! ls "$src/${pkg}"_*.dsc >/dev/null 2>&1; then
    ensure_deb_src
    (cd "$src" && apt-get source --download-only -qq "$pkg" >/dev/null)
  fi
  local dsc
  dsc="$(ls "$src/${pkg}"_*.dsc | head -n 1)"
  local dir="$work/$pkg"
  if [ ! -d "$dir" ]; then
    dpkg-source --no-check -x "$dsc" "$dir.tmp" >/dev/null
    mv "$dir.tmp" "$dir"
  fi
  echo "$dir"
}

ecmake() {
  local dir="$1"; shift
  rm -rf "$dir/build-web"
  "${nice_cmd[@]}" emcmake cmake -S "$dir" -B "$dir/build-web" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DBUILD_SHARED_LIBS=OFF "$@" >"$dir/build-web.log" 2>&1 || return 1
  "${nice_cmd[@]}" cmake --build "$dir/build-web" -j"$jobs" >>"$dir/build-web.log" 2>&1 || return 1
  cmake --install "$dir/build-web" >>"$dir/build-web.log" 2>&1
}

build_zlib() {
  local dir; dir="$(unpack zlib)"
  # Its own configure script: Debian's source drops the Windows files its CMake build names.
  (cd "$dir" && "${nice_cmd[@]}" emconfigure ./configure --static --prefix="$prefix" >build-web.log 2>&1 &&
    "${nice_cmd[@]}" emmake make -j"$jobs" libz.a >>build-web.log 2>&1 && make install >>build-web.log 2>&1) || return 1
  [ -f "$prefix/include/zlib.h" ]
}

build_libpng1.6() {
  local dir; dir="$(unpack libpng1.6)"
  ecmake "$dir" -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_HARDWARE_OPTIMIZATIONS=OFF -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
}

build_freetype() {
  local dir; dir="$(unpack freetype)"
  # Outlines from TrueType/OpenType files only: no colour bitmaps, no shaping. Its
  # gzip support uses the zlib built above (its own copy would clash with it).
  ecmake "$dir" -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_BROTLI=ON \
    -DFT_DISABLE_PNG=ON -DFT_REQUIRE_ZLIB=ON -DZLIB_LIBRARY="$prefix/lib/libz.a" -DZLIB_INCLUDE_DIR="$prefix/include"
}

build_libjpeg-turbo() {
  local dir; dir="$(unpack libjpeg-turbo)"
  # CMake misreads the type sizes from a WebAssembly object; wasm32 sizes given.
  ecmake "$dir" -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
    -DHAVE_SIZE_T=TRUE -DSIZE_T=4 -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG=4
}

build_libsdl2() {
  local dir; dir="$(unpack libsdl2)"
  ecmake "$dir" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_PTHREADS=OFF
}

# MIDI: the TiMidity synthesiser of SDL_mixer's source package, alone. It plays
# General MIDI from GUS patches (Debian's freepats, copied beside the page). The
# few SDL calls it makes go to a small stand-in over the C library
# (platform/web/timidity/), so SDL itself is not needed.
build_timidity() {
  local dir; dir="$(unpack libsdl2-mixer)"
  local here; here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/platform/web/timidity"
  local out="$work/timidity"  # its objects and log, as the loop below expects
  rm -rf "$out" && mkdir -p "$out" "$prefix/include/timidity" "$prefix/lib" || return 1
  local c
  for c in "$dir"/src/codecs/timidity/*.c "$here/sdl_rwops.c"; do
    "${nice_cmd[@]}" emcc -O2 -I"$here" -I"$dir/src/codecs/timidity" -c "$c" \
      -o "$out/$(basename "$c" .c).o" >>"$out/build-web.log" 2>&1 || return 1
  done
  emar rcs "$prefix/lib/libtimidity.a" "$out"/*.o &&
    cp "$dir/src/codecs/timidity/timidity.h" "$here"/SDL*.h "$prefix/include/timidity/"
}

# --- movies: FFmpeg -------------------------------------------------------------
# Only what the movie code opens: the containers scenarios bring movies in, their
# old video codecs and sounds, and the scaler and resampler. No threads (a worker
# would need SharedArrayBuffer), no assembly, no programs, no network.
libraries+=(ffmpeg)

build_ffmpeg() {
  local dir; dir="$(unpack ffmpeg)"
  local demuxers=avi,mpegps,mpegvideo,mov,asf,matroska
  local video=cinepak,msvideo1,msrle,rawvideo,indeo2,indeo3,indeo4,indeo5,mpeg4,msmpeg4v1,msmpeg4v2,msmpeg4v3
  video+=,wmv1,wmv2,mpeg1video,mpeg2video,h264,mjpeg,8bps,qtrle,rpza,smc
  local audio=pcm_s16le,pcm_s16be,pcm_u8,pcm_alaw,pcm_mulaw,adpcm_ms,adpcm_ima_wav,adpcm_ima_qt
  audio+=,mp1float,mp2float,mp3float,aac,vorbis,wmav1,wmav2
  local parsers=mpeg4video,mpegvideo,mpegaudio,h264,aac,vorbis
  rm -rf "$dir/build-web" && mkdir -p "$dir/build-web"
  (cd "$dir/build-web" && "${nice_cmd[@]}" emconfigure ../configure --prefix="$prefix" \
      --cc=emcc --cxx=em++ --ar=emar --ranlib=emranlib --nm=emnm \
      --target-os=none --arch=x86_32 --enable-cross-compile --disable-asm --disable-inline-asm \
      --disable-stripping --disable-debug --disable-doc --disable-runtime-cpudetect --disable-autodetect \
      --enable-static --disable-shared --disable-programs --disable-network --disable-devices \
      --disable-pthreads --disable-w32threads --disable-os2threads \
      --disable-everything --disable-avdevice --disable-avfilter --disable-postproc \
      --enable-avcodec --enable-avformat --enable-swscale --enable-swresample \
      --enable-demuxer="$demuxers" --enable-decoder="$video,$audio" --enable-parser="$parsers" \
      >build-web.log 2>&1 &&
    "${nice_cmd[@]}" emmake make -j"$jobs" >>build-web.log 2>&1 && make install >>build-web.log 2>&1) || {
    cat "$dir/build-web/build-web.log" > "$dir/build-web.log"; return 1; }
  cp "$dir/build-web/build-web.log" "$dir/build-web.log"
  [ -f "$prefix/lib/libavformat.a" ]
}

command -v emcc >/dev/null || { log "emcc missing: scripts/web_setup.sh installs Debian's emscripten"; exit 1; }
for lib in "${libraries[@]}"; do
  stamp="$prefix/stamps/$lib"
  [ -f "$stamp" ] && continue
  log "building $lib"
  start=$(date +%s)
  if ! "build_$lib"; then
    log "$lib failed; see $work/$lib/build-web.log"
    exit 1
  fi
  echo "$(($(date +%s) - start)) s" > "$stamp"
  log "$lib done in $(cat "$stamp")"
done
