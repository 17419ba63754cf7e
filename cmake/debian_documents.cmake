# Run by CPack on the staged files of the Debian package, before it is made:
# writes usr/share/doc/zub2wav/copyright (LICENSE in Debian's machine-readable
# format) and changelog.gz (CHANGELOG.md in Debian's changelog format).
if(NOT CPACK_ZUB2WAV_PYTHON)
  message(FATAL_ERROR "the Debian package's changelog needs python3 (bash scripts/setup.sh build)")
endif()
set(doc_dir ${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_PACKAGE_NAME})
execute_process(
  COMMAND ${CPACK_ZUB2WAV_PYTHON} ${CPACK_ZUB2WAV_SOURCE_DIR}/cmake/debian_documents.py
          ${CPACK_ZUB2WAV_SOURCE_DIR} ${doc_dir} "${CPACK_DEBIAN_PACKAGE_MAINTAINER}"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake/debian_documents.py failed")
endif()
