# Run by CPack after the native tree's SDK archive: the 32-bit Windows tree's archives beside it,
# then SHA256SUMS over every archive in the release folder.
execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --config ${CPACK_QV_WIN32_CONFIG}
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cpack failed for ${CPACK_QV_WIN32_CONFIG}")
endif()

file(GLOB archives RELATIVE ${CPACK_QV_DIST_DIR}
     ${CPACK_QV_DIST_DIR}/*.zip ${CPACK_QV_DIST_DIR}/*.tar.gz)
list(SORT archives)
set(sums "")
foreach(archive IN LISTS archives)
    file(SHA256 ${CPACK_QV_DIST_DIR}/${archive} sum)
    string(APPEND sums "${sum}  ${archive}\n")
endforeach()
file(WRITE ${CPACK_QV_DIST_DIR}/SHA256SUMS "${sums}")
message(STATUS "release: ${CPACK_QV_DIST_DIR}\n${sums}")
