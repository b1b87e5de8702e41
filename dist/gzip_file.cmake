# cmake -DIN=file -DOUT=file.gz -P gzip_file.cmake
# Compresses IN into OUT the way Debian wants it: best compression, no name
# or time stamp inside, so the result depends only on the content.
execute_process(COMMAND gzip -9nc "${IN}" OUTPUT_FILE "${OUT}" RESULT_VARIABLE failed)
if(failed)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "gzip ${IN} failed")
endif()
