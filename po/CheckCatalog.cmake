# Extracts the marked texts afresh (the sources may have changed since the
# build) and checks one catalog against them: msgcmp fails on a text the
# catalog lacks or leaves untranslated, msgfmt --check on a catalog that does
# not compile or whose format strings and plural forms do not match.
execute_process(COMMAND ${XGETTEXT} ${XGETTEXT_ARGS} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "xgettext failed: ${errors}")
endif()
execute_process(COMMAND ${MSGCMP} ${PO} ${POT} RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PO} lacks translations of marked texts:\n${errors}")
endif()
execute_process(COMMAND ${MSGFMT} --check --statistics -o /dev/null ${PO} RESULT_VARIABLE status
                ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PO} does not compile:\n${errors}")
endif()
message(STATUS "${PO}: ${errors}")
