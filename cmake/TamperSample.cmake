# cmake -DSIGNED=<signed program> -DTAMPERED=<copy> -DMARKER=<text> -P TamperSample.cmake
# Copies a signed program and changes one byte of the constant data that follows MARKER in it,
# so that the copy's digest no longer matches its signature while it stays a valid program.
# CMake finds and checks the byte; the byte is written with dd, since CMake cannot write a file
# holding NUL bytes.
foreach(var IN ITEMS SIGNED TAMPERED MARKER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "TamperSample.cmake needs -D${var}=...")
  endif()
endforeach()
file(READ "${SIGNED}" content HEX)
string(HEX "${MARKER}" marker)
string(FIND "${content}" "${marker}" first)
string(FIND "${content}" "${marker}" last REVERSE)
math(EXPR odd "${first} % 2")
if(first EQUAL -1 OR NOT first EQUAL last OR odd)
  message(FATAL_ERROR "${SIGNED} does not hold the marker '${MARKER}' exactly once")
endif()
# 4 KiB into the data, which is a mebibyte of printable text: '#' is not part of that text.
string(LENGTH "${MARKER}" length)
math(EXPR offset "${first} / 2 + ${length} + 4096")
file(READ "${SIGNED}" before OFFSET ${offset} LIMIT 1 HEX)
if(before STREQUAL "" OR before STREQUAL "00" OR before STREQUAL "23")
  message(FATAL_ERROR "${SIGNED}: the byte at ${offset} is not part of the sample's text")
endif()
file(COPY_FILE "${SIGNED}" "${TAMPERED}")
file(WRITE "${TAMPERED}.byte" "#")
execute_process(COMMAND dd "if=${TAMPERED}.byte" "of=${TAMPERED}" bs=1 "seek=${offset}" count=1 conv=notrunc status=none
                RESULT_VARIABLE result)
file(REMOVE "${TAMPERED}.byte")
file(READ "${TAMPERED}" after OFFSET ${offset} LIMIT 1 HEX)
file(SIZE "${SIGNED}" inSize)
file(SIZE "${TAMPERED}" outSize)
if(NOT result EQUAL 0 OR NOT after STREQUAL "23" OR NOT inSize EQUAL outSize)
  file(REMOVE "${TAMPERED}")
  message(FATAL_ERROR "Could not change the byte at ${offset} of ${TAMPERED} (dd: ${result})")
endif()
