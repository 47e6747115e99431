# Compiler flags of the fuzz build: every library gets libFuzzer's coverage
# instrumentation and AddressSanitizer + UndefinedBehaviorSanitizer, so a fault
# anywhere below a fuzz entry is reported where it happens. Only the fuzz
# executables link libFuzzer itself (fuzz/CMakeLists.txt).
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "SSDTOOLS_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++): libFuzzer is clang's")
endif()
# -O1 with line tables: optimised enough to fuzz fast, and quicker to build on
# a busy machine than -O2 -g; stack traces still name file and line.
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                    -fno-omit-frame-pointer -O1 -gline-tables-only)
add_link_options(-fsanitize=address,undefined)
