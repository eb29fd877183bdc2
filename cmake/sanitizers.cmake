# Instrumented native builds: the unit tests with AddressSanitizer and UndefinedBehaviorSanitizer,
# and the libFuzzer targets in fuzz/. Every target is instrumented, the portable core and the
# simulated platform included, so this is included before any target is made.
option(TOCKMETER_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(TOCKMETER_FUZZ "Build the libFuzzer targets in fuzz/ (clang only)" OFF)

if(TOCKMETER_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "TOCKMETER_FUZZ needs clang for libFuzzer: configure with "
                      "-DCMAKE_CXX_COMPILER=clang++")
endif()

if(TOCKMETER_SANITIZE OR TOCKMETER_FUZZ)
  # No recovery: the first finding ends the process, so that the test or the fuzz run fails.
  # GCC leaves float-cast-overflow out of "undefined"; clang has it there already.
  set(sanitizers -fsanitize=address,undefined,float-cast-overflow)
  add_compile_options(${sanitizers} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(${sanitizers})
endif()
if(TOCKMETER_FUZZ)
  # Coverage feedback everywhere; only the fuzz targets link libFuzzer's main.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
