# Address and undefined-behaviour sanitizers for the whole build (./test --sanitize).
if(TARVO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
# The fuzz build: every library instrumented for libFuzzer's coverage, the targets linked
# with its driver (tests/fuzz).
if(TARVO_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
