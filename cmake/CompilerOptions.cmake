# Warnings and sanitizers applied to every target of the project (not to imported ones).
add_library(polcaro_options INTERFACE)
target_compile_options(polcaro_options INTERFACE -Wall -Wextra -Wpedantic
                                                 $<$<CXX_COMPILER_ID:GNU>:-Wshadow=local>)
if(POLCARO_WERROR)
  target_compile_options(polcaro_options INTERFACE -Werror)
endif()
if(POLCARO_SANITIZE)
  target_compile_options(polcaro_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                   -fno-sanitize-recover=undefined)
  target_link_options(polcaro_options INTERFACE -fsanitize=address,undefined)
endif()
if(POLCARO_FUZZ)
  # Coverage feedback for libFuzzer in every library of ours; the fuzzers link its main.
  target_compile_options(polcaro_options INTERFACE -fsanitize=fuzzer-no-link)
endif()
# Encodings stay explicit: every name we build is Unicode and must survive into a file name.
target_compile_definitions(polcaro_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_CAST_FROM_BYTEARRAY QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
