if(VESSIMOR_SANITIZE STREQUAL "address")
  set(_san_flags -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
elseif(VESSIMOR_SANITIZE STREQUAL "thread")
  set(_san_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT VESSIMOR_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VESSIMOR_SANITIZE must be empty, 'address' or 'thread'")
endif()
# Only C and C++ are instrumented: the few Objective-C files are built by gcc on Linux, whose
# sanitizer runtimes differ from clang's.
if(_san_flags)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:${_san_flags}>")
  add_link_options(${_san_flags})
  add_compile_definitions(VESSIMOR_SANITIZED=1)
endif()

# Fuzzing: every library gets coverage instrumentation; only the fuzz targets link libFuzzer.
if(VESSIMOR_FUZZ)
  add_compile_options("$<$<COMPILE_LANGUAGE:C,CXX>:-fsanitize=fuzzer-no-link>")
  add_compile_definitions(VESSIMOR_FUZZING=1)
endif()
