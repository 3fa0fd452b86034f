# Writes OUTPUT_DIR, the board's page as static files: the page's files from PAGE_DIR, its
# index.html picking the engine in the page, and the worker WORKER_JS with its .wasm beside it.
# Run by the build whenever one of them changes.
file(REMOVE_RECURSE "${OUTPUT_DIR}")
file(GLOB page_files "${PAGE_DIR}/*")
file(COPY ${page_files} "${WORKER_JS}" DESTINATION "${OUTPUT_DIR}")
string(REGEX REPLACE "\\.js$" ".wasm" worker_wasm "${WORKER_JS}")
file(COPY "${worker_wasm}" DESTINATION "${OUTPUT_DIR}")
file(READ "${PAGE_DIR}/index.html" index)
set(server_meta "<meta name=\"quoll-engine\" content=\"server\">")
string(FIND "${index}" "${server_meta}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${PAGE_DIR}/index.html has no ${server_meta} to turn into the worker's")
endif()
string(REPLACE "${server_meta}" "<meta name=\"quoll-engine\" content=\"worker\">" index "${index}")
file(WRITE "${OUTPUT_DIR}/index.html" "${index}")
