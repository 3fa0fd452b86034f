# Builds the engine as WebAssembly with Debian's Emscripten (scripts/setup.sh wasm):
#   cmake --preset wasm      (or -DCMAKE_TOOLCHAIN_FILE=cmake/emscripten.cmake)
# What is built runs in a browser's Web Worker and under Node.js, which CTest uses to run it.
set(QUOLL_EMSCRIPTEN_ROOT /usr/share/emscripten CACHE PATH "Where Emscripten is installed")
set(emscripten_toolchain ${QUOLL_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake)
if(NOT EXISTS ${emscripten_toolchain})
  message(FATAL_ERROR "Emscripten is missing: the WebAssembly build needs it "
    "(Debian: emscripten; scripts/setup.sh wasm installs it)")
endif()
find_program(QUOLL_NODE NAMES node nodejs)
if(NOT QUOLL_NODE)
  message(FATAL_ERROR "Node.js is missing: Emscripten and the WebAssembly tests need it "
    "(Debian: nodejs)")
endif()

# Emscripten's loader fetches the .wasm with fetch() wherever there is one; Node.js 20 has one,
# which cannot read files, so Node.js runs the programs with it switched off.
set(CMAKE_CROSSCOMPILING_EMULATOR ${QUOLL_NODE} --no-experimental-fetch)
include(${emscripten_toolchain})

# Emscripten's JavaScript optimizer needs Debian's acorn, which a node other than Debian's own
# (a newer Node.js, say) does not look for in /usr/share/nodejs. Every compile and link is run
# with that folder on its module path, however the build is started.
set(QUOLL_NODE_MODULES /usr/share/nodejs CACHE PATH "Where Debian's Node.js modules (acorn) are")
set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${QUOLL_NODE_MODULES})
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=${QUOLL_NODE_MODULES})
