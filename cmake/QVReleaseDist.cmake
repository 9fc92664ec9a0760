# Run by CPack after the native tree's SDK archive: the 32-bit Windows tree's archives beside it,
# then SHA256SUMS over every archive in the release folder.
include(${CMAKE_CURRENT_LIST_DIR}/QVScriptTools.cmake)

qv_run(${CMAKE_CPACK_COMMAND} --config ${CPACK_QV_WIN32_CONFIG})
file(GLOB archives RELATIVE ${CPACK_QV_DIST_DIR}
     ${CPACK_QV_DIST_DIR}/*.zip ${CPACK_QV_DIST_DIR}/*.tar.gz)
qv_write_sha256sums(${CPACK_QV_DIST_DIR} ${archives})
file(READ ${CPACK_QV_DIST_DIR}/SHA256SUMS sums)
message(STATUS "release: ${CPACK_QV_DIST_DIR}\n${sums}")
